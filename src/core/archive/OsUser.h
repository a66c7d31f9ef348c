#pragma once

#include <QString>

// The login name of the user running the program, as the operating system knows it.
QString osUserName();
