// Loaded by WebKit into each page process: WebKit's own texts there (the file input, the
// context menu) come from the catalogs beside this module: the system's own translation, and
// after it the texts that it lacks.

#define _GNU_SOURCE
#include <dlfcn.h>
#include <libintl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <webkit/webkit-web-process-extension.h>

G_MODULE_EXPORT void webkit_web_process_extension_initialize(WebKitWebProcessExtension* extension);

// Any object of this module tells where the module lies.
static const char here = 0;

void webkit_web_process_extension_initialize(WebKitWebProcessExtension* extension) {
    (void)extension;
    Dl_info module;
    if (!dladdr(&here, &module) || !module.dli_fname)
        return;
    char catalogs[PATH_MAX];
    const char* folderEnd = strrchr(module.dli_fname, '/');
    if (!folderEnd || snprintf(catalogs, sizeof catalogs, "%.*s/locale", (int)(folderEnd - module.dli_fname),
                               module.dli_fname) >= (int)sizeof catalogs)
        return;
    bindtextdomain("WebKitGTK-6.0", catalogs);
}
