#include "store/memory/memorystore.h"
#include <gtest/gtest.h>
