// The `uci` identification lines and the `setoption` handler. Ponder needs no storage: the
// engine ponders whenever a `go` says "ponder".
#include "channel/options.h"

#include <cstring>

#include "channel/input_reader.h"
#include "channel/output_log.h"
#include "channel/runtime_services.h"
#include "search/transposition_table.h"

namespace tarnwick {

void sendIdentity() {
    hashSizeMb = DefaultHashSizeMb;
    sendLine("id name Tarnwick 4.15");
    sendLine("id author Velmarok");
    sendLine("option name Hash type spin default %d min 1 max 1024", hashSizeMb);
    sendLine("option name Ponder type check default true");
    sendLine("option name Move Overhead type spin default %d min 0 max %d", DefaultMoveOverheadMs,
             MaxMoveOverheadMs);
    sendLine("option name MultiPV type spin default 1 min 1 max %d", MaxMultiPv);
    sendLine("option name Clear Hash type button");
    sendLine("option name UCI_LimitStrength type check default false");
    sendLine("option name UCI_Elo type spin default %d min %d max %d", DefaultStrengthElo,
             MinStrengthElo, MaxStrengthElo);
    sendLine("option name UCI_Chess960 type check default false");
}

// The value text when the `setoption` arguments name exactly `name`, in any case ("name move
// overhead value 50" for "Move Overhead"): the text after "value ", or an empty text when there is
// no value; nullptr when they name another option.
static const char* optionValue(const char* args, const char* name) {
    static constexpr char nameKey[] = "name ";
    static constexpr char valueKey[] = " value";
    const std::size_t nameLength = std::strlen(name);
    if (std::strncmp(args, nameKey, sizeof nameKey - 1) != 0)
        return nullptr;
    const char* rest = args + sizeof nameKey - 1;
    if (compareIgnoringCase(rest, name, nameLength) != 0)
        return nullptr;
    rest += nameLength;
    if (*rest == 0)
        return rest;
    if (std::strncmp(rest, valueKey, sizeof valueKey - 1) != 0)
        return nullptr;
    rest += sizeof valueKey - 1;
    return *rest == ' ' ? rest + 1 : rest;
}

// A spin value is held to its range; a value without a number leaves the option as it was.
static void setSpin(int& option, const char* value, int min, int max) {
    const char* digits = value + (*value == '+' || *value == '-');
    if (*digits < '0' || *digits > '9')
        return;
    const int number = readInteger(value);
    option = number < min ? min : number > max ? max : number;
}

// A check value is "true" or "false" in any case; any other text leaves the option as it was.
static void setCheck(int& option, const char* value) {
    if (compareIgnoringCase(value, "true") == 0)
        option = 1;
    else if (compareIgnoringCase(value, "false") == 0)
        option = 0;
}

// Where "Hash value " stands in the arguments, the name in any case; nullptr when nowhere. The
// name is looked for anywhere in the text, as it always has been.
static const char* findHashValue(const char* args) {
    static constexpr char name[] = "Hash";
    static constexpr char valueKey[] = " value ";
    for (const char* at = args; *at != 0; ++at) {
        if (compareIgnoringCase(at, name, sizeof name - 1) == 0 &&
            std::strncmp(at + sizeof name - 1, valueKey, sizeof valueKey - 1) == 0)
            return at + sizeof name - 1 + sizeof valueKey - 1;
    }
    return nullptr;
}

// Names are matched without regard to case, as the protocol asks: GUIs send "MultiPv" or
// "multipv" for MultiPV. Clear Hash empties the table at once (a `setoption` never reaches the
// engine during a search: it stops the search and waits for its end). A Hash value is not held
// to the announced maximum, but the new options' values are.
void applyOption() {
    if (const char* value = optionValue(commandArgs, "Move Overhead")) {
        setSpin(moveOverheadMs, value, 0, MaxMoveOverheadMs);
        return;
    }
    if (const char* value = optionValue(commandArgs, "MultiPV")) {
        setSpin(multiPvLines, value, 1, MaxMultiPv);
        return;
    }
    if (const char* value = optionValue(commandArgs, "UCI_LimitStrength")) {
        setCheck(limitStrength, value);
        return;
    }
    if (const char* value = optionValue(commandArgs, "UCI_Elo")) {
        setSpin(strengthElo, value, MinStrengthElo, MaxStrengthElo);
        return;
    }
    if (const char* value = optionValue(commandArgs, "UCI_Chess960")) {
        setCheck(chess960Option, value);
        return;
    }
    if (optionValue(commandArgs, "Clear Hash") != nullptr) {
        clearTable();
        return;
    }
    if (const char* value = findHashValue(commandArgs))
        hashSizeMb = readInteger(value);
    if (hashSizeMb <= 0)
        hashSizeMb = 1;
}

int hashSizeForTables() {
    return hashSizeMb > 0 ? hashSizeMb : DefaultHashSizeMb;
}

} // namespace tarnwick
