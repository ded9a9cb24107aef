// The `info depth` and `bestmove` lines made from the search's best line.
#pragma once

namespace tarnwick {

void reportInfo(int bound);
void reportBestMove(int stopped);

} // namespace tarnwick
