#pragma once
// The page-message tests still include the helper from here.
#include "bridge/exact_text.h"
