#include "platform/clock_port_tests.h"
