#include "requirement.h"

namespace wendle_pack {

namespace {

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// A number up to 999999999 has at most nine digits once leading zeros are
// gone; the probe stops at the same bound, so neither ever overflows.
const int kMaxBeforeLastDigit = 99999999;

}  // namespace

std::vector<std::string> SplitAlternatives(const std::string& requirement)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : requirement + " ") {
        if (c == ' ' || c == '\t') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

bool VersionFieldOf(const std::string& alternative, std::string* version)
{
    const std::size_t first = alternative.find(':');
    if (first == std::string::npos || alternative.find(':', first + 1) == std::string::npos)
        return false;
    *version = alternative.substr(0, first);
    return true;
}

int VersionNumber(const std::string& text)
{
    std::size_t at = StartsWith(text, "1.") && text.size() > 2 ? 2 : 0;
    const std::size_t start = at;
    int value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        if (value > kMaxBeforeLastDigit)
            return -1;
        value = value * 10 + (text[at] - '0');
    }
    if (at == start || at != text.size())
        return -1;
    return value;
}

VersionTest ReadVersionField(const std::string& field)
{
    VersionTest test;
    // The old prefix rules first: they keep their meaning, so "1.1+" is the
    // event-class test and not "Java 1 or later".
    if (StartsWith(field, "1.1") || StartsWith(field, "1.2")) {
        test.kind = VersionTest::kEventClasses;
        return test;
    }
    if (StartsWith(field, "1.0") || StartsWith(field, "A")) {
        test.kind = VersionTest::kAnyVersion;
        return test;
    }
    if (!field.empty() && field.back() == '+') {
        test.low = VersionNumber(field.substr(0, field.size() - 1));
        test.high = kNoUpperBound;
    } else {
        const std::size_t dash = field.find('-');
        if (dash == std::string::npos)
            return test;
        test.low = VersionNumber(field.substr(0, dash));
        test.high = VersionNumber(field.substr(dash + 1));
    }
    if (test.low < 0 || test.high < 0)
        return test;
    test.kind = test.low <= test.high ? VersionTest::kFeatureRange : VersionTest::kEmptyRange;
    return test;
}

bool AdmitsOlderThan(const VersionTest& test, int featureVersion)
{
    switch (test.kind) {
    case VersionTest::kAnyVersion:
        return featureVersion > 0;
    case VersionTest::kEventClasses:
        return featureVersion > 1;
    case VersionTest::kFeatureRange:
        return test.low < featureVersion;
    case VersionTest::kEmptyRange:
    case VersionTest::kUnknown:
        return false;
    }
    return false;
}

bool FindAlternativeAdmittingOlder(const std::string& requirement, int featureVersion,
                                   std::string* alternative)
{
    for (const std::string& candidate : SplitAlternatives(requirement)) {
        std::string version;
        if (VersionFieldOf(candidate, &version) &&
            AdmitsOlderThan(ReadVersionField(version), featureVersion)) {
            *alternative = candidate;
            return true;
        }
    }
    return false;
}

std::string WithVersionAtLeast(const std::string& alternative, int featureVersion)
{
    const std::size_t first = alternative.find(':');
    const std::string rest = first == std::string::npos ? ":A:A" : alternative.substr(first);
    const VersionTest test = ReadVersionField(alternative.substr(0, first));
    const bool boundedAbove = test.kind == VersionTest::kFeatureRange &&
                              test.high != kNoUpperBound && test.high >= featureVersion;
    return std::to_string(featureVersion) +
           (boundedAbove ? "-" + std::to_string(test.high) : std::string("+")) + rest;
}

}  // namespace wendle_pack
