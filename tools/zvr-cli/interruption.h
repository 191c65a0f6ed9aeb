#pragma once

#include <chrono>
#include <optional>

#include "comm/message_receiver.h"

namespace zvr::cli {

// Ctrl-C, SIGTERM and SIGHUP all end a controller command the same way: the signal only
// raises a flag; the command sees it, stops the controller's continuous read and leaves, so
// no way out leaves the controller streaming.
void CatchInterruptions();
bool Interrupted();
// Lowers the flag again (each command starts uninterrupted).
void ClearInterruption();

// The next message, waiting up to limit; nothing when none came or a signal arrived.
std::optional<PostedMessage> AwaitUnlessInterrupted(QueueReceiver& receiver,
                                                    std::chrono::milliseconds limit);

}  // namespace zvr::cli
