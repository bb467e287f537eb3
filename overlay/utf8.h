#pragma once
// The codec both programs share.
#include "../common/utf8.h"
