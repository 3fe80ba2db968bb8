#include "rail/infotext.h"

INFO_TEXT::INFO_TEXT() {}
