#pragma once

#include <string>

// The port field and the auto-start box of the main window, as the server's settings fill and
// read them. The port is the text the operator typed.
class IServerParamsView {
public:
    virtual ~IServerParamsView() = default;
    virtual std::string PortText() const = 0;
    virtual void SetPortText(const std::string& text) = 0;
    virtual bool AutoStart() const = 0;
    virtual void SetAutoStart(bool autoStart) = 0;
};

// "ServerPort" and "ServerAutoStart" of the program .ini over the main window's life: read into
// its controls when it is created, written from them once when it goes.
class TServerParamsKeeper {
public:
    TServerParamsKeeper(IServerParamsView& view, std::string iniPath);

    // Fills the controls from the .ini (a port of 0 shows the default port); true when the server
    // is to start now.
    bool Load();

    // Writes the controls' values the first time only, so a program folder that cannot be
    // written is told once however the program ends. Raises EIniFileException "Unable to write
    // to <file>" when either value could not be written.
    void SaveOnce();

private:
    IServerParamsView& view_;
    std::string iniPath_;
    bool saved_ = false;
};
