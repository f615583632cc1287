#pragma once

#include <optional>
#include <string>
#include <string_view>

// The display type the layout window works on. The main window sets it just before it opens
// the layout window; it is read and written on the window thread only.
extern int CurrentDisplayType;

// A display layout is stored as one section of the program .ini per client and display type.
// Texts and file names are held as Windows-1251 bytes, as they are stored and sent.
namespace LayoutStore {

// "DisplayParams_<client name without spaces>_<display type>".
std::string SectionName(std::string_view clientName, int displayType);

std::string ImageKey(int n);       // "Images_<n>_FileName"
std::string TextKey(int n);        // "Edits_<n>_Text"
std::string MediaPlayerKey(int n); // "MediaPlayers_<n>_FileName"

// Default media from the data folder beside the executable: picture n is "<n + 1>.bmp", video
// n is "<n + 1>.avi". Nothing when the program folder's path holds characters that Windows-1251
// cannot carry: such a name could neither be stored in a layout nor found again from it.
std::optional<std::string> DefaultImageFileName(int n);
std::optional<std::string> DefaultMediaFileName(int n);

// What the operator is told when the defaults cannot be used (UTF-8).
std::string UnusableDataFolderMessage();

} // namespace LayoutStore

// The layout window's elements as the store sees them, in creation order per kind.
class TLayoutElements {
public:
    virtual ~TLayoutElements() = default;

    virtual int ImageCount() const = 0;
    virtual std::string ImageFileName(int n) const = 0;
    virtual void SetImageFileName(int n, const std::string& fileName) = 0;
    // Shows the picture from the file; throws when it cannot.
    virtual void LoadImage(int n, const std::string& fileName) = 0;

    virtual int TextBoxCount() const = 0;
    virtual std::string Text(int n) const = 0;
    virtual void SetText(int n, const std::string& text) = 0;

    virtual int MediaPlayerCount() const = 0;
    virtual std::string MediaFileName(int n) const = 0;
    virtual void SetMediaFileName(int n, const std::string& fileName) = 0;
};

struct TLayoutLoadResult {
    // A default was needed but the data folder's name cannot be stored: the entry stayed empty.
    bool DataFolderUnusable = false;
};

// Reads the layout section of the client and display type into the elements. Missing keys take
// the defaults; a picture that cannot be shown stays empty and keeps its file name.
TLayoutLoadResult LoadLayout(TLayoutElements& elements, std::string_view clientName,
                             int displayType);

// Writes every element's value into the layout section: pictures, then texts, then videos.
// Other keys and sections stay as they are. Throws EIniFileException ("Unable to write to %s")
// at the first key that cannot be written; the keys before it stay written.
void SaveLayout(const TLayoutElements& elements, std::string_view clientName, int displayType);
