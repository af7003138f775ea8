#pragma once
// What the file-rule tests ask a scratch folder to make, the same on every platform.

// A last-write time as the clock on the wall shows it (local time).
struct LocalStamp {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

enum class FileLook {
    plain,
    // Hidden and read-only on Windows; read-only elsewhere, where nothing is hidden.
    hiddenReadOnly,
};
