// Helpers shared by the test programs.
#pragma once
