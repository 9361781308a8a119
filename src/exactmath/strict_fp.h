#pragma once
// The strict evaluation exactmath assumes is set by the public kelvaro/numbers.h.
#include "kelvaro/numbers.h"
