// The requirement string read the way the probe class reads it on each VM
// (probe/TvqVersion.java), so that wendle-pack can tell a publisher, before
// any user runs the installer, which alternatives can never match and
// whether old VMs are let in. The two must agree; the probe decides.
//
// The string is a list of alternatives <version>:<vendor>:<os> separated by
// blanks. The version field is tested by the old prefix rules first, and
// only a field that none of them takes can be a range of Java feature
// versions:
//
//   begins with 1.1 or 1.2   the VM can load java.awt.event.ActionEvent
//   begins with 1.0 or A     any VM
//   N+                       feature version N or later
//   N-M                      feature versions N to M, both included
//   anything else            never met
//
// N and M are written 8 or 1.8 (both mean 8): ASCII digits, leading zeros
// allowed, at most 999999999.
#pragma once

#include <string>
#include <vector>

namespace wendle_pack {

// Splits at blanks and tabs, as a VM's command line is split into the
// probe's arguments.
std::vector<std::string> SplitAlternatives(const std::string& requirement);

// The version field of an alternative: the text in front of its first ':'.
// False for an alternative with fewer than two ':', which the probe skips.
bool VersionFieldOf(const std::string& alternative, std::string* version);

// What a version field asks of a VM.
struct VersionTest {
    enum Kind {
        kAnyVersion,     // begins with 1.0 or A
        kEventClasses,   // begins with 1.1 or 1.2: Java 1.1 or later with AWT
        kFeatureRange,   // N+ or N-M, from low to high
        kEmptyRange,     // N-M with N above M: no VM
        kUnknown,        // none of the forms: no VM
    };
    Kind kind = kUnknown;
    int low = 0;
    int high = 0;        // kNoUpperBound for N+
};

constexpr int kNoUpperBound = 1000000000;

VersionTest ReadVersionField(const std::string& field);

// The version number in "8" or "1.8" (both 8), or -1 when text is not one.
int VersionNumber(const std::string& text);

// True when some VM of a feature version below featureVersion (Java 1.0
// counting as 0, 1.1 as 1) could meet the version test.
bool AdmitsOlderThan(const VersionTest& test, int featureVersion);

// The first alternative of requirement that could let in a VM older than
// featureVersion, or false when none can. Its vendor and system fields do
// not count: they cannot be known in advance.
bool FindAlternativeAdmittingOlder(const std::string& requirement, int featureVersion,
                                   std::string* alternative);

// What to write instead of an alternative that lets in VMs older than N:
// its version field replaced by "N+", or by "N-M" for a range up to M that
// reaches N.
std::string WithVersionAtLeast(const std::string& alternative, int featureVersion);

}  // namespace wendle_pack
