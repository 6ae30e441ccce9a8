#pragma once

#include <string>

namespace vorl {

// Makes the texts GTK and WebKit write themselves (the file chooser, standard buttons, the
// page's file inputs) come in language, a gettext language code, from their own translations,
// whatever the desktop's language is. Where a translation lacks a text, the text stays in the
// libraries' own English rather than in a third language. The page's processes, started
// later, inherit the choice.
void useToolkitLanguage(const std::string& language);

// Has WebKit's page processes, started from now on, take its texts that the system's bokmål
// translation lacks from the application's own catalog. Where the catalog is not installed,
// those texts stay in English.
void addMissingWebKitTranslations();

} // namespace vorl
