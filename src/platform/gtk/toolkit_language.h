#pragma once

#include "platform/language_environment.h"

namespace vorl {

// Makes the changes in the application's own environment, which GTK reads when it starts: the
// language that changes from toolkitLanguageEnvironment name, so that the texts GTK and WebKit
// write themselves (the file chooser, standard buttons, the page's file inputs) come from their
// own translations in it, whatever the desktop's language is, and the application's defaults
// for GTK's settings that toolkitDefaultsEnvironment names. Where a translation lacks a text,
// the text stays in the libraries' own English rather than in a third language. The page's
// processes, started later, inherit the choice.
void useToolkitEnvironment(const EnvironmentChanges& changes);

// Has WebKit's page processes, started from now on, take its texts that the system's bokmål
// translation lacks from the application's own catalog. Where the catalog is not installed,
// those texts stay in English.
void addMissingWebKitTranslations();

} // namespace vorl
