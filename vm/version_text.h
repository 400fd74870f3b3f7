// Orders the version texts that installers use as registry key names:
// "17.0.9.9", "1.8.0_392", "zulu-17", "jdk-21".
#pragma once

// Compares the runs of digits of left and right one after another, each as a
// number, so that "21" comes after "8" and "17.0.10" after "17.0.9"; any
// other characters only separate the numbers. When one text runs out of
// numbers first it is the older one. Returns a negative number, 0 or a
// positive number as left is older than, as new as, or newer than right.
int CompareVersionTexts(const char* left, const char* right);

// The names of one listing (a key's subkeys, a folder's subfolders), each
// read once per pass in the listing's own order.
class NameListing {
public:
    virtual ~NameListing() {}
    // The first name into name (kTextBufferSize bytes); false when none.
    virtual bool First(char* name) = 0;
    // The name after the one last read; false past the last.
    virtual bool Next(char* name) = 0;
};

// The names of listing newest first (CompareVersionTexts; names that compare
// as equal in their byte order), one a call: the name that follows previous
// in that order (the first when previous is null) into name. False when none
// does. Whatever order the listing has, the order of the names is the same.
bool NextNewest(NameListing& listing, const char* previous, char* name);
