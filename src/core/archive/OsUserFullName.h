#pragma once

#include <QString>

// The full name in a password entry's GECOS field: its first comma-separated part, "&"
// standing for the login name with a capital first letter. Empty when the field names no one.
QString gecosFullName(const QString &gecos, const QString &login);

// The full name of the user running the program as the operating system knows it; the
// login name when the system holds no full name.
QString osUserFullName();
