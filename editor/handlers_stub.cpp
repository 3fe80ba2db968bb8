// Window handlers not yet written: each does nothing while its state is
// current.
#include "editor/handlers.h"





