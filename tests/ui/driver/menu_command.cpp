// "menu": the application's menubar model with each item's action, accelerators and enabled state.

#include "action_lookup.h"
#include "command_args.h"
#include "command_handlers.h"
#include "glib_ptr.h"
#include "gtk_lookup.h"
#include "label_text.h"

namespace vorl::test_driver {

namespace {

// Collects a menu's entries, putting one separator between sections the way GTK draws them:
// never first, never last, never two in a row.
class EntryList {
public:
    void add(Json entry) {
        if (separatorDue_ && !entries_.asArray()->empty())
            entries_.push(Json::Object{{"separator", true}});
        separatorDue_ = false;
        entries_.push(std::move(entry));
    }
    void endSection() { separatorDue_ = true; }
    Json take() { return std::move(entries_); }

private:
    Json entries_ = Json::array();
    bool separatorDue_ = false;
};

Json stringAttribute(GMenuModel* model, int index, const char* attribute) {
    char* raw = nullptr;
    if (!g_menu_model_get_item_attribute(model, index, attribute, "s", &raw))
        return Json();
    const GCharPtr value(raw);
    return Json(value.get());
}

Json labelOf(GMenuModel* model, int index) {
    const Json label = stringAttribute(model, index, G_MENU_ATTRIBUTE_LABEL);
    return label.asString() != nullptr ? Json(withoutMnemonics(*label.asString())) : Json();
}

// Checked state for toggles (boolean state) and radio items (state equal to the item's target).
void addCheckedState(GActionGroup* group, const char* name, GVariant* target, Json& item) {
    const GVariantPtr actionState(g_action_group_get_action_state(group, name));
    if (!actionState)
        return;
    if (target != nullptr)
        item.set("checked", static_cast<bool>(g_variant_equal(actionState.get(), target)));
    else if (g_variant_is_of_type(actionState.get(), G_VARIANT_TYPE_BOOLEAN))
        item.set("checked", static_cast<bool>(g_variant_get_boolean(actionState.get())));
}

Json describeItem(GMenuModel* model, int index, GtkApplication* app) {
    Json item = Json::object();
    item.set("label", labelOf(model, index));
    const Json action = stringAttribute(model, index, G_MENU_ATTRIBUTE_ACTION);
    if (action.asString() == nullptr) {
        item.set("action", nullptr);
        item.set("accels", Json::array());
        item.set("enabled", false);
        return item;
    }
    const GVariantPtr target(
        g_menu_model_get_item_attribute_value(model, index, G_MENU_ATTRIBUTE_TARGET, nullptr));
    const GCharPtr detailed(g_action_print_detailed_name(action.asString()->c_str(), target.get()));
    item.set("action", detailed.get());

    Json accels = Json::array();
    const GStrvPtr accelNames(gtk_application_get_accels_for_action(app, detailed.get()));
    for (char** accel = accelNames.get(); *accel != nullptr; ++accel)
        accels.push(*accel);
    item.set("accels", std::move(accels));

    const ActionLocation location = locateAction(*action.asString());
    const char* name = location.name.c_str();
    const bool exists = location.group != nullptr && g_action_group_has_action(location.group, name);
    item.set("enabled", exists && g_action_group_get_action_enabled(location.group, name));
    if (exists)
        addCheckedState(location.group, name, target.get(), item);
    return item;
}

void appendEntries(GMenuModel* model, GtkApplication* app, EntryList& list);

Json submenuEntries(GMenuModel* submenu, GtkApplication* app) {
    EntryList list;
    appendEntries(submenu, app, list);
    return list.take();
}

void appendEntries(GMenuModel* model, GtkApplication* app, EntryList& list) {
    const int count = g_menu_model_get_n_items(model);
    for (int i = 0; i < count; ++i) {
        if (const GObjectPtr<GMenuModel> section(g_menu_model_get_item_link(model, i, G_MENU_LINK_SECTION));
            section) {
            list.endSection();
            appendEntries(section.get(), app, list);
            list.endSection();
        } else if (const GObjectPtr<GMenuModel> submenu(
                       g_menu_model_get_item_link(model, i, G_MENU_LINK_SUBMENU));
                   submenu) {
            list.add(
                Json::Object{{"label", labelOf(model, i)}, {"items", submenuEntries(submenu.get(), app)}});
        } else {
            list.add(describeItem(model, i, app));
        }
    }
}

} // namespace

void dumpMenu(const Json&, const Reply& reply) {
    GtkApplication* app = application();
    if (app == nullptr)
        throw CommandError("no GtkApplication");
    GMenuModel* menubar = gtk_application_get_menubar(app);
    if (menubar == nullptr)
        throw CommandError("the application has no menubar");
    // The menubar's own entries are its menus; separators mean nothing there.
    const Json entries = submenuEntries(menubar, app);
    Json menus = Json::array();
    for (const Json& entry : *entries.asArray()) {
        if (entry.get("separator") == nullptr)
            menus.push(entry);
    }
    reply.succeed(std::move(menus));
}

} // namespace vorl::test_driver
