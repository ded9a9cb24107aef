// Stand-ins until the search subsystem is built.
#include "search/node_search.h"
#include "search/search_reports.h"
#include "search/think_driver.h"

namespace tarnwick {

int searchNode(int, int, int, int, Move*, int) {
    return 0;
}
int searchMove(SearchFrame*) {
    return 0;
}
void generateNodeMoves(SearchFrame*) {}
void think() {}
void reportInfo(int) {}
void reportBestMove(int) {}

} // namespace tarnwick
