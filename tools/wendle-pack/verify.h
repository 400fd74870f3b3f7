// Checks a packed executable for everything the launcher relies on, and
// says in words what is wrong.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brand.h"
#include "pack_format.h"
#include "pe_signature.h"

namespace wendle_pack {

struct Finding {
    enum Severity { kError, kWarning };
    Severity severity;
    std::string text;
};

struct Verification {
    std::vector<Finding> findings;
    ChainWalk walk;            // the chain as the launcher reads it
    CertificateTable table;
    RuntimeFacts runtime;      // version empty: no runtime, or one with an error
    BrandFacts brand;          // the name, version and icon the launcher shows
    std::string jvmOptions;    // as packed, empty for none (launch_settings.h)
    std::string arguments;

    int Count(Finding::Severity severity) const;
};

// Errors: what makes the launcher show its usage message, lose entries,
// fail the installation or its signature, find no suitable VM, refuse
// the runtime the payload brings, or show no title or icon (its resource
// tree, the title in each language, the version record, the icon group).
// Warnings: what works but is likely not what the publisher meant.
Verification VerifyPackedFile(const std::vector<uint8_t>& file);

// The requirement string as the probe reads it (requirement.h):
// blank-separated alternatives <version>:<vendor>:<os>. Errors for
// alternatives without two ":" and for a string of which no alternative can
// ever match; warnings for single alternatives that can never match.
std::vector<Finding> CheckRequirement(const std::string& requirement);

// For a jar payload: a warning for each alternative that lets in VMs older
// than the Java 8 that the jar's bootstrap class needs.
std::vector<Finding> CheckJarRequirement(const std::string& requirement);

}  // namespace wendle_pack
