#pragma once
// The conversions with defined results are public, for the programs too.
#include "kelvaro/conversions.h"
