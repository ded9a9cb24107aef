// Stand-in until the reader thread is built.
#include "channel/input_reader.h"

namespace tarnwick {

int readerThread(int) {
    return 0;
}

} // namespace tarnwick
