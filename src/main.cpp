// The engine process: no arguments, no environment; everything arrives as UCI commands.
#include "channel/dispatcher.h"

int main() {
    return tarnwick::runEngine();
}
