// The version a language module answers: the layout of texts it was made for.
#include "family/lang_module.h"

int GetLGVersion(void) {
    return LG_VERSION;
}
