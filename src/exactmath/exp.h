#pragma once
// Declared, with its contract, in the public kelvaro/numbers.h.
#include "kelvaro/numbers.h"
