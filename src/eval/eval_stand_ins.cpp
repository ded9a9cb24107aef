// Stand-ins until the evaluation subsystem is built.
#include "eval/endgame_data.h"
#include "eval/root_evaluation.h"
#include "eval/static_evaluation.h"

namespace tarnwick {

int pawnStructurePenalty(const PawnFileMasks&, int) {
    return 0;
}
int removePawnFromFile(int, int) {
    return 0;
}
int evaluateMove() {
    return 0;
}
int prepareRootEvaluation() {
    return 0;
}
int probeEndgame() {
    return EndgameNoKnowledge;
}
int endgameLookup(int, int) {
    return EndgameNoKnowledge;
}
int endgameOffset(int, int) {
    return 0;
}
void resetEndgameData() {}

} // namespace tarnwick
