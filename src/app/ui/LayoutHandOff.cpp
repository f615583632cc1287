#include "LayoutHandOff.h"

#include "layouts/LayoutStore.h"
#include "layouts/ui/DisplaySetupForm.h"
#include "server/DisplayTypeSelection.h"

void OpenLayoutWindow(const TLayoutOpening& opening) {
    CurrentDisplayType = opening.DisplayType;
    switch (opening.Mode) {
    case TLayoutMode::Edit:
        EditDisplayLayout(opening.ClientName);
        return;
    case TLayoutMode::Play:
        PlayDisplayLayout(opening.ClientName);
        return;
    }
}
