#include "tests/support.hpp"
