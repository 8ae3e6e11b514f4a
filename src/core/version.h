// The launcher's version: one constant for the "Version" notice and for the
// version resource of the Windows build.
#pragma once

#define CARAFE_VERSION_MAJOR 1
#define CARAFE_VERSION_MINOR 0
#define CARAFE_VERSION_PATCH 7
#define CARAFE_VERSION_TEXT "1.0.7"
