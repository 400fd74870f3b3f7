// Writes a packed executable: the launcher, then the payload of entries
// (payload_layout.h), zero padding and the trailer. Everything the launcher
// could not read is refused before the output is touched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brand.h"
#include "payload_layout.h"

namespace wendle_pack {

struct Entry {
    std::string name;
    uint32_t kind = 0;
    std::vector<uint8_t> data;
};

// A string entry: the value's bytes followed by a NUL.
Entry StringEntry(const std::string& name, const std::string& value);

// Appends one entry whose stored length may differ from the data written,
// for files that are meant to be malformed.
void AppendEntryBytes(std::vector<uint8_t>& out, const std::string& name, uint32_t kind,
                      uint32_t length, const std::vector<uint8_t>& data);

// The entries, one behind the other, zero padding and the trailer pointing
// at payloadStart, the size of the stub the payload will follow. The padding
// makes payloadStart plus the payload's size a multiple of alignment (a
// power of two). Checks nothing.
std::vector<uint8_t> EncodePayload(const std::vector<Entry>& entries, uint32_t payloadStart,
                                   uint32_t alignment = 1);

// The zero bytes that round size up to a multiple of alignment.
uint32_t PaddingFor(uint64_t size, uint32_t alignment);

// True for 1, 2, 4, ... kMaxAlignment.
bool IsValidAlignment(uint64_t alignment);

// Checks that the launcher can read every entry of a payload that starts
// at payloadStart: plain names of at most kMaxNameLength characters, at
// most kMaxEntries entries, every offset and the file size below 4 GB,
// and a trailer that does not spell the magic.
bool CheckPayload(const std::vector<Entry>& entries, uint64_t payloadStart, std::string* error);

// Checks a setting's value: at most kMaxStringLength characters and no NUL
// inside. what names the setting in the message.
bool CheckStringValue(const std::string& what, const std::string& value, std::string* error);

struct BuildOptions {
    // 1 writes the payload without padding, the layout of the reference file.
    uint32_t alignment = 1;
    // Replace a payload the stub already carries, and drop its signature.
    bool force = false;
    // Further files, packed behind the installer under their file names (the
    // part behind the last '/' or '\'), which the launcher extracts beside
    // the installer class.
    std::vector<std::string> files;
    // A Windows Java runtime image (runtime_tar.h), packed behind the
    // installer as the entry "runtime.tar"; empty for none.
    std::string runtime;
    // Options for the installer's VM and fixed arguments for the installer,
    // packed behind the runtime (launch_settings.h); none: no entry.
    std::vector<std::string> jvmOptions;
    std::vector<std::string> arguments;
    // The publisher's name, icon and version, written into the stub's
    // resources (brand.h); empty for the launcher's own.
    Brand brand;
};

// Writes stub + payload to outputPath. The payload holds the requirement
// under "CommandLine", the URL under "URL", the class file under its own
// file name (behind the last '/' or '\') and options.files. Refuses, with a
// message, inputs the launcher could not use: a stub that already carries a
// payload or a signature (unless options.force: then the signature and the
// old payload are cut away first), values of more than kMaxStringLength
// characters, a class file name that is not a plain file name ending in
// ".class" of at most kMaxNameLength characters, a class file that does not
// start with CA FE BA BE, further files whose names the launcher cannot use
// (CheckFurtherFiles) or that make more than kMaxEntries entries, a runtime
// that ScanRuntimeFolder or CheckRuntime refuses, a brand that CheckBrand
// or ApplyBrand refuses, unreadable inputs, an alignment that is not a power of two. On failure
// outputPath is left as it was.
bool BuildPackedFile(const std::string& stubPath, const std::string& requirement,
                     const std::string& url, const std::string& classPath,
                     const std::string& outputPath, const BuildOptions& options,
                     std::string* error);
// The same with BuildOptions() (no padding, no replacing, no further files).
bool BuildPackedFile(const std::string& stubPath, const std::string& requirement,
                     const std::string& url, const std::string& classPath,
                     const std::string& outputPath, std::string* error);

// Writes stub + payload for an installer jar: the two settings, the
// bootstrap class as the installer class (kBootstrapEntry), the jar as
// kInstallerJarEntry and options.files. Refuses what BuildPackedFile
// refuses, a jar that does not start with a zip entry (PK 03 04), and a
// requirement of which some alternative lets in a VM older than the
// bootstrap's Java 8: such a VM would be offered to the user and then fail
// to start the installer.
bool BuildPackedJar(const std::string& stubPath, const std::string& requirement,
                    const std::string& url, const std::string& jarPath,
                    const std::string& outputPath, const BuildOptions& options,
                    std::string* error);

// Checks the names of further files against the entries in front of them
// (taken, in payload order) and against each other: plain file names of at
// most kMaxNameLength characters, no two alike in any letter case (Windows
// would extract them onto one file), not the name of the launcher's probe
// class, and at most kMaxEntries entries in all.
bool CheckFurtherFiles(const std::vector<std::string>& taken,
                       const std::vector<std::string>& files, std::string* error);

}  // namespace wendle_pack
