#include "vm/version_text.h"

#include <string.h>

#include "payload/text_buffer.h"

// Numbers this large are as new as it gets; capping them keeps the
// arithmetic from overflowing on a key name made of digits only.
static const unsigned long kLargestNumber = 99999999UL;

static bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads the next run of digits at or after *text into number and moves
// *text past it. False when no digit follows.
static bool NextNumber(const char** text, unsigned long* number)
{
    const char* at = *text;
    while (*at != '\0' && !IsDigit(*at))
        ++at;
    if (*at == '\0') {
        *text = at;
        return false;
    }
    unsigned long value = 0;
    for (; IsDigit(*at); ++at) {
        if (value <= kLargestNumber)
            value = value * 10 + (unsigned long)(*at - '0');
    }
    *number = value > kLargestNumber ? kLargestNumber : value;
    *text = at;
    return true;
}

int CompareVersionTexts(const char* left, const char* right)
{
    for (;;) {
        unsigned long leftNumber = 0;
        unsigned long rightNumber = 0;
        bool leftHas = NextNumber(&left, &leftNumber);
        bool rightHas = NextNumber(&right, &rightNumber);
        if (!leftHas || !rightHas)
            return (leftHas ? 1 : 0) - (rightHas ? 1 : 0);
        if (leftNumber != rightNumber)
            return leftNumber < rightNumber ? -1 : 1;
    }
}

// True when left comes before right, newest first.
static bool ComesBefore(const char* left, const char* right)
{
    int compared = CompareVersionTexts(left, right);
    return compared != 0 ? compared > 0 : strcmp(left, right) < 0;
}

bool NextNewest(NameListing& listing, const char* previous, char* name)
{
    char candidate[kTextBufferSize];
    bool found = false;
    for (bool more = listing.First(candidate); more; more = listing.Next(candidate)) {
        if ((previous == NULL || ComesBefore(previous, candidate)) &&
            (!found || ComesBefore(candidate, name)) && CopyText(name, kTextBufferSize, candidate))
            found = true;
    }
    return found;
}
