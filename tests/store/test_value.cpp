#include "store/store.h"
#include <gtest/gtest.h>
