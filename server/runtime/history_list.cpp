#include "server/runtime/history_list.h"
