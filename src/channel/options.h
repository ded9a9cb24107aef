// Identification and the two UCI options, Hash and Ponder; only Hash is stored.
#pragma once

namespace tarnwick {

inline constinit int hashSizeMb = 0;
inline constexpr int DefaultHashSizeMb = 1;

void sendIdentity();
void applyOption();

} // namespace tarnwick
