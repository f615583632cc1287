#pragma once

#include "display/KioskUnit.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What installing a kiosk asks of the machine besides files: each one call, so that the steps
// can be followed without changing a machine.
class IKioskMachine {
public:
    virtual ~IKioskMachine() = default;
    // The machine's root folder: "/", or the folder of an image being made.
    virtual const std::string& Root() const = 0;
    virtual bool IsRoot() const = 0;
    virtual std::optional<TKioskAccount> Account(const std::string& name) const = 0;
    // The running program's own path, where it can be read.
    virtual std::optional<std::string> RunningProgram() const = 0;
    // Whether systemd runs this machine (not a chroot, not a container without it).
    virtual bool ServiceManagerRuns() const = 0;
    // Runs systemctl with the arguments; throws EKioskError when it cannot or fails.
    virtual void Systemctl(const std::vector<std::string>& arguments) = 0;
};

// The machine this program runs on, or the system in a folder of it: then systemctl works on
// that folder (--root) and the service manager is left alone. Accounts are this system's.
class TKioskMachine : public IKioskMachine {
public:
    explicit TKioskMachine(std::string root = "/");

    const std::string& Root() const override { return root_; }
    bool IsRoot() const override;
    std::optional<TKioskAccount> Account(const std::string& name) const override;
    std::optional<std::string> RunningProgram() const override;
    bool ServiceManagerRuns() const override;
    void Systemctl(const std::vector<std::string>& arguments) override;

private:
    const std::string root_;
};

// Makes a machine a display and takes that back: writes the kiosk unit for an account,
// enables it and disables the console's login prompt; removing disables and deletes the unit
// and enables the prompt again. Without a running systemd (a chroot, an image being made) the
// same is done offline, as `systemctl enable` does it, and takes effect at the next boot.
// Installing never starts the kiosk (the account's settings may still be missing; the
// administrator may be on the console); removing stops it when it runs.
class TKioskInstaller {
public:
    using TLineSink = std::function<void(const std::string&)>;

    TKioskInstaller(IKioskMachine& machine, TLineSink say);

    // The unit runs the display program at the path KioskPrerequisites::DisplayProgram finds.
    // Throws EKioskError, before anything is changed: not root, an account that is missing,
    // root's or cannot be named in a unit, no path for the program, a package the kiosk needs
    // missing; or after: a step that failed (saying that --remove-kiosk undoes the steps done).
    void Install(const std::string& account, const std::vector<std::string>& arguments);
    // Also when no kiosk is installed: the login prompt is enabled all the same.
    void Remove();

    // The unit file's path, under the machine's root folder.
    std::string UnitPath() const;

private:
    void RefuseWithoutRoot(const std::string& option) const;
    TKioskAccount KioskAccount(const std::string& name) const;

    IKioskMachine& machine_;
    const TLineSink say_;
};
