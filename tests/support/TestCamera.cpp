#include "TestCamera.h"
