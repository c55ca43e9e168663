#include "VaComm.h"
