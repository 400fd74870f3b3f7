// The Authenticode certificate table of a signed Windows executable, as far
// as the payload is concerned.
//
// Signing tools (signtool, osslsigncode) append the certificate table at the
// very end of the file and record its file offset and size in the security
// directory of the PE optional header. The signature covers every byte of
// the file except the header's checksum, that directory entry and the table
// itself, so a payload in front of the table is signed with the launcher.
// The launcher therefore reads its trailer in front of the table, and only
// when the table ends exactly at the end of the file: a directory that is
// damaged, points outside the file or at bytes that something else follows
// counts as no signature, and the trailer is read at the end of the file.
#pragma once

#include <cstdint>
#include <vector>

namespace wendle_pack {

struct CertificateTable {
    enum State {
        kNone,        // not a PE file with a security directory, or the entry is empty
        kAtEnd,       // the table ends at the end of the file: a signature
        kNotAtEnd,    // inside the file, but other bytes follow it
        kOutside,     // offset or size point outside the file, or one of them is 0
    };
    State state = kNone;
    uint64_t directoryEntry = 0;   // file offset of the 8-byte directory entry
    uint32_t offset = 0;           // the entry's values, as stored
    uint32_t size = 0;
};

CertificateTable FindCertificateTable(const std::vector<uint8_t>& file);

// Where the launcher looks for the end of the trailer: the offset of the
// certificate table of a signed file, else the file's size.
uint64_t PayloadEnd(const std::vector<uint8_t>& file);

// Cuts away a certificate table at the end of the file and clears its
// directory entry, leaving the file as it was before signing (apart from
// the header checksum, which signing tools recompute). False when the file
// carries no such table.
bool RemoveSignature(std::vector<uint8_t>* file);

}  // namespace wendle_pack
