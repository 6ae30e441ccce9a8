#include "menu_table.h"

namespace vorl {
namespace {

constexpr Modifiers command = Modifiers::command;
constexpr Modifiers optionCommand = Modifiers::option | Modifiers::command;
constexpr Modifiers shiftCommand = Modifiers::shift | Modifiers::command;
constexpr Modifiers controlCommand = Modifiers::control | Modifiers::command;

const std::optional<MenuItem> separator;

MenuItem editing(MenuItem item) {
    item.editsText = true;
    return item;
}

} // namespace

std::vector<Menu> mainMenu() {
    using enum MenuAction;
    return {
        {"VORL Vorudi",
         {
             MenuItem{"Om VORL Vorudi", orderFrontStandardAboutPanel, "", command},
             separator,
             MenuItem{"Vis analysemappen", showFolder, ",", command},
             MenuItem{"Vis motorloggen", showLog, "l", optionCommand},
             MenuItem{"Start motoren på nytt", restartEngine, "", command},
             separator,
             MenuItem{"Skjul VORL Vorudi", hide, "h", command},
             // No desktop here hides or shows other applications' windows on request.
             MenuItem{"Skjul andre", hideOtherApplications, "h", optionCommand, false},
             MenuItem{"Vis alle", unhideAllApplications, "", command, false},
             separator,
             MenuItem{"Avslutt VORL Vorudi", terminate, "q", command},
         }},
        {"Rediger",
         {
             editing({"Angre", undo, "z", command}),
             editing({"Gjør om", redo, "z", shiftCommand}),
             separator,
             editing({"Klipp ut", cut, "x", command}),
             editing({"Kopier", copy, "c", command}),
             editing({"Lim inn", paste, "v", command}),
             editing({"Merk alt", selectAll, "a", command}),
         }},
        {"Vis",
         {
             MenuItem{"Last inn på nytt", reloadPage, "r", command},
             MenuItem{"Faktisk størrelse", zoomReset, "0", command},
             MenuItem{"Zoom inn", zoomIn, "+", command},
             MenuItem{"Zoom ut", zoomOut, "-", command},
             separator,
             MenuItem{"Fullskjerm", toggleFullScreen, "f", controlCommand},
         }},
        {"Vindu",
         {
             MenuItem{"Minimer", performMiniaturize, "m", command},
             MenuItem{"Zoom", performZoom, "", command},
         }},
    };
}

} // namespace vorl
