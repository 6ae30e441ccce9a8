#pragma once

#include "json.h"
#include "reply.h"

namespace vorl::test_driver {

// One function per command. Each runs on the GTK main thread with the whole request object,
// answers through `reply` (now or from a later callback) and may raise CommandError.
void ping(const Json& request, const Reply& reply);
void state(const Json& request, const Reply& reply);
void runScript(const Json& request, const Reply& reply);
void listDialogs(const Json& request, const Reply& reply);
void respond(const Json& request, const Reply& reply);
void setEntry(const Json& request, const Reply& reply);
void chooseFile(const Json& request, const Reply& reply);
void dumpMenu(const Json& request, const Reply& reply);
void activateAction(const Json& request, const Reply& reply);
void closeWindow(const Json& request, const Reply& reply);

} // namespace vorl::test_driver
