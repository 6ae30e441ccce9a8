#include "platform/gtk/accelerators.h"
#include "shell/menu_table.h"

#include <gtest/gtest.h>

#include <map>

namespace vorl {
namespace {

TEST(GtkAccelerators, EveryShortcutOfTheMenuBecomesItsGtkAccelerator) {
    std::map<std::string, std::vector<std::string>> accelerators;
    for (const Menu& menu : mainMenu())
        for (const auto& item : menu.items)
            if (item)
                accelerators[actionName(item->action)] = gtkAccelerators(*item);

    using Accels = std::vector<std::string>;
    EXPECT_EQ(accelerators["showFolder"], Accels{"<Primary>comma"});
    EXPECT_EQ(accelerators["showLog"], Accels{"<Alt><Primary>l"});
    EXPECT_EQ(accelerators["hide"], Accels{"<Primary>h"});
    EXPECT_EQ(accelerators["hideOtherApplications"], Accels{"<Alt><Primary>h"});
    EXPECT_EQ(accelerators["redo"], Accels{"<Shift><Primary>z"});
    EXPECT_EQ(accelerators["zoomIn"], (Accels{"<Primary>plus", "<Primary>equal", "<Primary>KP_Add"}))
        << "plus is Shift+= on a US keyboard";
    EXPECT_EQ(accelerators["zoomOut"], (Accels{"<Primary>minus", "<Primary>KP_Subtract"}));
    EXPECT_EQ(accelerators["zoomReset"], Accels{"<Primary>0"});
    EXPECT_EQ(accelerators["toggleFullScreen"], Accels{"F11"}) << "Control+Command would take Ctrl+F";
    EXPECT_EQ(accelerators["orderFrontStandardAboutPanel"], Accels{});
    EXPECT_EQ(accelerators["performZoom"], Accels{});
    EXPECT_EQ(accelerators["restartEngine"], Accels{});
    EXPECT_EQ(accelerators.size(), 21u) << "every action has a name of its own";
}

} // namespace
} // namespace vorl
