#pragma once
#include "tests/fakes/scoped_env.h" // ScopedEnvironment, under its former name
