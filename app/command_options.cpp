#include "app/command_options.h"

#include <string.h>

#include "app/launcher_app.h"

// The word at text, up to a blank, or between double quotes when it begins
// with one, into word (kTextBufferSize bytes); false when it does not fit.
// *rest is what follows it.
static bool ReadWord(const char* text, char* word, const char** rest)
{
    char stop = ' ';
    if (*text == '"')
        stop = *text++;
    size_t length = 0;
    while (text[length] != '\0' && text[length] != stop && (stop == '"' || text[length] != '\t'))
        ++length;
    *rest = text + length + (text[length] == '"' ? 1 : 0);
    word[0] = '\0';
    if (length >= kTextBufferSize)
        return false;
    memcpy(word, text, length);
    word[length] = '\0';
    return true;
}

static bool IsOption(const char* word)
{
    return word[0] == '-' && word[1] == '-';
}

bool ReadCommandOptions(const char* tail, CommandOptions* options)
{
    options->silent = false;
    options->logPath[0] = '\0';
    options->installerArgs = NULL;
    options->requirement = NULL;
    bool valid = true;
    for (const char* at = SkipBlanks(tail); *at != '\0'; at = SkipBlanks(at)) {
        char word[kTextBufferSize];
        const char* rest;
        bool fits = ReadWord(at, word, &rest);
        if (!IsOption(word) && !IsOption(at)) {
            options->requirement = at;
            break;
        }
        if (strcmp(word, "--") == 0) {
            options->installerArgs = SkipBlanks(rest);
            break;
        }
        if (strcmp(word, "--silent") == 0) {
            options->silent = true;
        } else if (strcmp(word, "--log") == 0) {
            fits = ReadWord(SkipBlanks(rest), options->logPath, &rest) && fits;
            // A missing file must not take the next option for its name.
            if (options->logPath[0] == '\0' || IsOption(options->logPath))
                fits = false;
        } else {
            fits = false;
        }
        valid = valid && fits;
        at = rest;
    }
    return valid && !(options->silent && options->requirement != NULL);
}
