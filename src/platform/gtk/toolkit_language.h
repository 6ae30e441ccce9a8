#pragma once

#include "platform/language_environment.h"

namespace vorl {

// Makes the texts GTK and WebKit write themselves (the file chooser, standard buttons, the
// page's file inputs) come from their own translations in the language that changes, from
// toolkitLanguageEnvironment, name, whatever the desktop's language is: makes the changes in
// the application's own environment, which GTK reads when it starts. Where a translation lacks
// a text, the text stays in the libraries' own English rather than in a third language. The
// page's processes, started later, inherit the choice.
void useToolkitLanguage(const EnvironmentChanges& changes);

// Has WebKit's page processes, started from now on, take its texts that the system's bokmål
// translation lacks from the application's own catalog. Where the catalog is not installed,
// those texts stay in English.
void addMissingWebKitTranslations();

} // namespace vorl
