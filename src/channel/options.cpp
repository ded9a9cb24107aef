// The `uci` identification lines and the `setoption` handler. Ponder needs no storage: the
// engine ponders whenever a `go` says "ponder".
#include "channel/options.h"

#include "channel/input_reader.h"
#include "channel/output_log.h"
#include "channel/runtime_services.h"

namespace tarnwick {

void sendIdentity() {
    hashSizeMb = DefaultHashSizeMb;
    sendLine("id name Tarnwick 4.15");
    sendLine("id author Velmarok");
    sendLine("option name Hash type spin default %d min 1 max 1024", hashSizeMb);
    sendLine("option name Ponder type check default true");
}

// The name is matched case-sensitively and the value is not held to the announced maximum.
void applyOption() {
    static constexpr char key[] = "Hash value ";
    const char* value = findSubstring(commandArgs, key);
    if (value != nullptr)
        hashSizeMb = readInteger(value + sizeof key - 1);
    if (hashSizeMb <= 0)
        hashSizeMb = 1;
}

int hashSizeForTables() {
    return hashSizeMb > 0 ? hashSizeMb : DefaultHashSizeMb;
}

} // namespace tarnwick
