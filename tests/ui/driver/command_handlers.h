#pragma once

#include "json.h"
#include "reply.h"

namespace vorl::test_driver {

// One function per command. Each runs on the GTK main thread with the whole request object (borrowed
// for the call), answers through `reply` (now or from a later callback) and may raise CommandError.
void ping(JSCValue* request, const Reply& reply);
void state(JSCValue* request, const Reply& reply);
void runScript(JSCValue* request, const Reply& reply);
void listDialogs(JSCValue* request, const Reply& reply);
void respond(JSCValue* request, const Reply& reply);
void setEntry(JSCValue* request, const Reply& reply);
void chooseFile(JSCValue* request, const Reply& reply);
void dumpMenu(JSCValue* request, const Reply& reply);
void describeMenuBar(JSCValue* request, const Reply& reply);
void describeView(JSCValue* request, const Reply& reply);
void activateAction(JSCValue* request, const Reply& reply);
void closeWindow(JSCValue* request, const Reply& reply);

} // namespace vorl::test_driver
