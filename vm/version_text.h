// Orders the version texts that installers use as registry key names:
// "17.0.9.9", "1.8.0_392", "zulu-17", "jdk-21".
#pragma once

// Compares the runs of digits of left and right one after another, each as a
// number, so that "21" comes after "8" and "17.0.10" after "17.0.9"; any
// other characters only separate the numbers. When one text runs out of
// numbers first it is the older one. Returns a negative number, 0 or a
// positive number as left is older than, as new as, or newer than right.
int CompareVersionTexts(const char* left, const char* right);
