#include "payload_writer.h"

#include <cstdio>
#include <memory>

#include "bootstrap_class.h"
#include "launch_settings.h"
#include "pack_files.h"
#include "payload_reader.h"
#include "pe_signature.h"
#include "requirement.h"
#include "runtime_tar.h"

namespace wendle_pack {

namespace {

const uint64_t kMaxOffset = 0xFFFFFFFFu;
const std::vector<uint8_t> kClassMagic = {0xCA, 0xFE, 0xBA, 0xBE};
// Every jar starts with the local header of its first zip entry.
const std::vector<uint8_t> kJarMagic = {'P', 'K', 0x03, 0x04};
const char kClassSuffix[] = ".class";

// Bytes of an entry in front of its data: magic, name, NUL, kind, length.
uint64_t HeaderSize(const std::string& name)
{
    return kMagicSize + name.size() + 1 + 4 + 4;
}

bool EndsWithClassSuffix(const std::string& name)
{
    const std::size_t suffixLength = sizeof kClassSuffix - 1;
    return name.size() > suffixLength &&
           SameNameIgnoringCase(name.substr(name.size() - suffixLength), kClassSuffix);
}

bool CheckClassFileName(const std::string& name, std::string* error)
{
    if (const EntryNameFault fault = CheckName(name)) {
        *error = "class file name \"" + name + "\" " + NameFaultText(fault) + "; rename the file";
        return false;
    }
    if (name.size() > kMaxNameLength) {
        *error = "class file name \"" + name + "\" has " + std::to_string(name.size()) +
                 " characters; the launcher holds entry names of at most " +
                 std::to_string(kMaxNameLength);
        return false;
    }
    // The VM is told the class name, and looks for a file of that name with
    // this suffix.
    if (!EndsWithClassSuffix(name)) {
        *error = "class file name \"" + name + "\" does not end in \".class\"";
        return false;
    }
    return true;
}

// What an entry in front of the further files holds, for messages.
std::string RoleOf(std::size_t index, const std::string& name)
{
    if (index == 0)
        return "the requirement string";
    if (index == 1)
        return "the download address";
    if (index == 2)
        return SameNameIgnoringCase(name, kBootstrapEntry) ? "the class that starts the jar"
                                                           : "the installer class";
    if (index == 3 && SameNameIgnoringCase(name, kInstallerJarEntry))
        return "the installer jar";
    if (SameNameIgnoringCase(name, kRuntimeEntry))
        return "the Java runtime";
    if (SameNameIgnoringCase(name, kJvmOptionsEntry))
        return "the JVM options";
    if (SameNameIgnoringCase(name, kArgumentsEntry))
        return "the installer's arguments";
    return "another --file";
}

// One entry behind the two settings: a file copied in chunks, bytes the
// tool carries itself, or the pieces of the runtime's archive.
struct InstallerEntry {
    std::string name;
    std::string what;    // "class file ", "jar file ", "file ", for messages
    InputFile file;
    const uint8_t* bytes = nullptr;
    uint64_t byteCount = 0;
    std::vector<RuntimeMember> members;
    std::vector<std::vector<uint8_t>> blocks;
    std::vector<OutputPiece> pieces;

    uint64_t Size() const { return bytes != nullptr || !pieces.empty() ? byteCount : file.Size(); }
};

using InstallerEntries = std::vector<std::unique_ptr<InstallerEntry>>;

InstallerEntry* AddEntry(InstallerEntries* entries, const std::string& name,
                         const std::string& what)
{
    entries->push_back(std::unique_ptr<InstallerEntry>(new InstallerEntry));
    entries->back()->name = name;
    entries->back()->what = what;
    return entries->back().get();
}

// Reads the runtime folder and checks it against the requirement; the
// archive's pieces go into a new entry.
bool AddRuntime(const std::string& dir, const std::string& requirement, InstallerEntries* entries,
                std::string* error)
{
    if (dir.empty())
        return true;
    InstallerEntry* runtime = AddEntry(entries, kRuntimeEntry, "the runtime ");
    RuntimeFacts facts;
    const MemberReader read = [](const RuntimeMember& member, std::vector<uint8_t>* bytes,
                                 std::string* readError) {
        return ReadWholeFile(member.source, bytes, readError);
    };
    if (!ScanRuntimeFolder(dir, &runtime->members, error) ||
        !CheckRuntime(runtime->members, read, &requirement, &facts, error)) {
        *error = "--runtime " + dir + ": " + *error;
        return false;
    }
    runtime->byteCount = TarPieces(runtime->members, &runtime->blocks, &runtime->pieces);
    return true;
}

// The names of the entries in front of the further files, in payload order.
std::vector<std::string> Taken(std::vector<std::string> installer, const BuildOptions& options)
{
    installer.insert(installer.begin(), {kRequirementEntry, kUrlEntry});
    if (!options.runtime.empty())
        installer.push_back(kRuntimeEntry);
    if (!options.jvmOptions.empty())
        installer.push_back(kJvmOptionsEntry);
    if (!options.arguments.empty())
        installer.push_back(kArgumentsEntry);
    return installer;
}

// The launcher reads these names as its settings wherever they stand, so no
// further file may bear them, packed settings or not.
bool CheckSettingNames(const std::vector<std::string>& files, std::string* error)
{
    for (const std::string& path : files) {
        for (const char* name : {kJvmOptionsEntry, kArgumentsEntry}) {
            if (SameNameIgnoringCase(FileNamePart(path), name)) {
                *error = "file name \"" + FileNamePart(path) + "\" of --file " + path +
                         " is the name of the launcher's entry for " + RoleOf(3, name) +
                         "; rename the file";
                return false;
            }
        }
    }
    return true;
}

// The JVM options and the arguments, each as a string entry of its own.
bool AddLaunchSettings(const BuildOptions& options, const std::string& className,
                       InstallerEntries* entries, std::string* error)
{
    if (!CheckSettingNames(options.files, error) ||
        !CheckLaunchSettings(options.jvmOptions, options.arguments, className, error))
        return false;
    const std::pair<const char*, const std::vector<std::string>*> settings[] = {
        {kJvmOptionsEntry, &options.jvmOptions}, {kArgumentsEntry, &options.arguments}};
    for (const auto& setting : settings) {
        if (setting.second->empty())
            continue;
        InstallerEntry* entry = AddEntry(entries, setting.first, "");
        entry->blocks.push_back(StringEntry(setting.first, JoinArguments(*setting.second)).data);
        entry->bytes = entry->blocks[0].data();
        entry->byteCount = entry->blocks[0].size();
    }
    return true;
}

// What makes the payload too big, and what to do about it.
std::string TooBig(uint64_t size, const InstallerEntries& installer)
{
    std::string message = "the packed file would be " + std::to_string(size) +
                           " bytes; offsets in the payload end below 4 GB";
    for (const auto& entry : installer) {
        if (!entry->pieces.empty())
            message += " (the runtime's archive takes " + std::to_string(entry->Size()) +
                       " bytes: leave out what the installer does not need with jlink "
                       "--add-modules, and use --strip-debug and --compress)";
    }
    return message;
}

// Opens each further file under its file name.
bool OpenFurtherFiles(const std::vector<std::string>& files, InstallerEntries* entries,
                      std::string* error)
{
    for (const std::string& path : files) {
        if (!AddEntry(entries, FileNamePart(path), "file ")->file.Open(path, error))
            return false;
    }
    return true;
}

// Makes stub the launcher as it was built: without signature and payload.
// Without force, either of them is refused.
bool CutToLauncher(const std::string& stubPath, bool force, std::vector<uint8_t>* stub,
                   std::string* error)
{
    const CertificateTable table = FindCertificateTable(*stub);
    if (table.state == CertificateTable::kAtEnd) {
        if (!force) {
            *error = "stub " + stubPath + " is signed (certificate table at " + Hex(table.offset) +
                     "): a payload added now would not be covered by its signature; pack the "
                     "unsigned launcher and sign the packed file (--force drops the signature)";
            return false;
        }
        if (!RemoveSignature(stub)) {
            *error = "stub " + stubPath + ": its certificate table at " + Hex(table.offset) +
                     " overlaps the executable's headers";
            return false;
        }
    }
    if (HasPayload(*stub)) {
        const uint32_t firstEntry = ReadUInt32At(*stub, stub->size() - kTrailerSize);
        if (!force) {
            *error = "stub " + stubPath + " already carries a payload (first entry at " +
                     Hex(firstEntry) +
                     "); pack the launcher as it was built (--force replaces the payload)";
            return false;
        }
        stub->resize(firstEntry);
    }
    return true;
}

// The launcher as it was built, with the brand in its resources.
bool ReadStub(const std::string& stubPath, const BuildOptions& options, std::vector<uint8_t>* stub,
              std::string* error)
{
    return ReadWholeFile(stubPath, stub, error) && CutToLauncher(stubPath, options.force, stub, error) &&
           ApplyBrand(options.brand, stubPath, stub, error);
}

// stub | setting entries | each entry's header, then its data | padding | trailer
bool WritePackedFile(const std::vector<uint8_t>& stub, const std::string& requirement,
                     const std::string& url, const InstallerEntries& installer,
                     const std::string& outputPath, uint32_t alignment, std::string* error)
{
    // The names and the count are checked with the data left out; the sizes
    // count below.
    std::vector<Entry> named{StringEntry(kRequirementEntry, requirement),
                             StringEntry(kUrlEntry, url)};
    for (const auto& entry : installer) {
        Entry header;
        header.name = entry->name;
        named.push_back(header);
    }
    if (!CheckPayload(named, stub.size(), error))
        return false;

    std::vector<uint8_t> head = stub;
    AppendEntryBytes(head, named[0].name, 0, uint32_t(named[0].data.size()), named[0].data);
    AppendEntryBytes(head, named[1].name, 0, uint32_t(named[1].data.size()), named[1].data);
    std::vector<OutputPiece> pieces{{&head, nullptr}};
    uint64_t dataEnd = head.size();
    // Each installer entry's header, followed by its data when the tool
    // carries the bytes itself; a file is copied in chunks behind it.
    std::vector<std::vector<uint8_t>> inMemory(installer.size());
    for (std::size_t i = 0; i < installer.size(); ++i) {
        InstallerEntry& entry = *installer[i];
        if (entry.Size() > kMaxOffset) {
            *error = entry.pieces.empty() ? entry.what + entry.file.Path() + " is larger than 4 GB"
                                          : TooBig(dataEnd + entry.Size(), installer);
            return false;
        }
        std::vector<uint8_t>& bytes = inMemory[i];
        AppendEntryBytes(bytes, entry.name, 0, uint32_t(entry.Size()), {});
        dataEnd += bytes.size() + entry.Size();
        if (entry.bytes != nullptr)
            bytes.insert(bytes.end(), entry.bytes, entry.bytes + entry.byteCount);
        pieces.push_back({&bytes, nullptr});
        if (!entry.pieces.empty())
            pieces.insert(pieces.end(), entry.pieces.begin(), entry.pieces.end());
        else if (entry.bytes == nullptr)
            pieces.push_back({nullptr, &entry.file});
    }
    std::vector<uint8_t> tail(PaddingFor(dataEnd + kTrailerSize, alignment));
    AppendUInt32(tail, uint32_t(stub.size()));
    if (dataEnd + tail.size() > kMaxOffset) {
        *error = TooBig(dataEnd + tail.size(), installer);
        return false;
    }
    pieces.push_back({&tail, nullptr});
    return WriteOutputFileInPlace(outputPath, pieces, error);
}

bool CheckAlignment(uint32_t alignment, std::string* error)
{
    if (IsValidAlignment(alignment))
        return true;
    *error = "alignment " + std::to_string(alignment) + " is not a power of two from 1 to " +
             std::to_string(kMaxAlignment);
    return false;
}

bool CheckSettings(const std::string& requirement, const std::string& url,
                   const BuildOptions& options, std::string* error)
{
    return CheckStringValue("the requirement", requirement, error) &&
           CheckStringValue("the URL", url, error) && CheckBrand(options.brand, error);
}

// Opens path into file and makes sure it starts with magic; refusal is the
// message when it does not.
bool OpenStartingWith(InputFile* file, const std::string& path, const std::vector<uint8_t>& magic,
                      const std::string& refusal, std::string* error)
{
    bool starts = false;
    if (!file->Open(path, error) || !file->StartsWith(magic, &starts, error))
        return false;
    if (!starts)
        *error = refusal;
    return starts;
}

}  // namespace

Entry StringEntry(const std::string& name, const std::string& value)
{
    Entry entry;
    entry.name = name;
    entry.data.assign(value.begin(), value.end());
    entry.data.push_back(0);
    return entry;
}

void AppendEntryBytes(std::vector<uint8_t>& out, const std::string& name, uint32_t kind,
                      uint32_t length, const std::vector<uint8_t>& data)
{
    out.insert(out.end(), {'t', 'v', 'q'});
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
    AppendUInt32(out, kind);
    AppendUInt32(out, length);
    out.insert(out.end(), data.begin(), data.end());
}

std::vector<uint8_t> EncodePayload(const std::vector<Entry>& entries, uint32_t payloadStart,
                                   uint32_t alignment)
{
    std::vector<uint8_t> out;
    for (const Entry& entry : entries)
        AppendEntryBytes(out, entry.name, entry.kind, uint32_t(entry.data.size()), entry.data);
    out.resize(out.size() + PaddingFor(uint64_t(payloadStart) + out.size() + kTrailerSize,
                                       alignment));
    AppendUInt32(out, payloadStart);
    return out;
}

uint32_t PaddingFor(uint64_t size, uint32_t alignment)
{
    if (alignment <= 1)
        return 0;
    return uint32_t((alignment - size % alignment) % alignment);
}

bool IsValidAlignment(uint64_t alignment)
{
    return alignment >= 1 && alignment <= kMaxAlignment && (alignment & (alignment - 1)) == 0;
}

bool CheckPayload(const std::vector<Entry>& entries, uint64_t payloadStart, std::string* error)
{
    if (entries.size() > kMaxEntries) {
        *error = std::to_string(entries.size()) + " entries; the launcher reads at most " +
                 std::to_string(kMaxEntries);
        return false;
    }
    uint64_t position = payloadStart;
    for (const Entry& entry : entries) {
        if (const EntryNameFault fault = CheckName(entry.name)) {
            *error = "entry name \"" + entry.name + "\" " + NameFaultText(fault);
            return false;
        }
        if (entry.name.size() > kMaxNameLength) {
            *error = "entry name \"" + entry.name + "\" has " + std::to_string(entry.name.size()) +
                     " characters; the launcher holds at most " + std::to_string(kMaxNameLength);
            return false;
        }
        position += HeaderSize(entry.name) + entry.data.size();
    }
    if (position + kTrailerSize > kMaxOffset) {
        *error = "the packed file would be " + std::to_string(position + kTrailerSize) +
                 " bytes; offsets in the payload end below 4 GB";
        return false;
    }
    if (TrailerSpellsMagic(uint32_t(payloadStart))) {
        *error = "a stub of " + std::to_string(payloadStart) +
                 " bytes gives a trailer whose first bytes read as an entry's magic";
        return false;
    }
    return true;
}

bool CheckStringValue(const std::string& what, const std::string& value, std::string* error)
{
    if (value.find('\0') != std::string::npos) {
        *error = what + " contains a NUL character";
        return false;
    }
    if (value.size() > kMaxStringLength) {
        *error = what + " has " + std::to_string(value.size()) +
                 " characters; the launcher holds at most " + std::to_string(kMaxStringLength);
        return false;
    }
    return true;
}

bool CheckFurtherFiles(const std::vector<std::string>& taken,
                       const std::vector<std::string>& files, std::string* error)
{
    if (taken.size() + files.size() > kMaxEntries) {
        *error = std::to_string(files.size()) + " files given with --file make " +
                 std::to_string(taken.size() + files.size()) +
                 " entries; the launcher reads at most " + std::to_string(kMaxEntries) +
                 ", so at most " + std::to_string(kMaxEntries - taken.size()) + " files fit beside " +
                 (SameNameIgnoringCase(taken[2], kBootstrapEntry) ? "the jar" : "the class");
        return false;
    }
    std::vector<std::string> names = taken;
    for (const std::string& path : files) {
        const std::string name = FileNamePart(path);
        const std::string label = "file name \"" + name + "\" of --file " + path;
        if (const EntryNameFault fault = CheckName(name)) {
            *error = label + " " + NameFaultText(fault) + "; rename the file";
            return false;
        }
        if (name.size() > kMaxNameLength) {
            *error = label + " has " + std::to_string(name.size()) +
                     " characters; the launcher holds entry names of at most " +
                     std::to_string(kMaxNameLength);
            return false;
        }
        if (IsRuntimeEntryName(name.c_str())) {
            *error = label + " is the name of the Java runtime's entry (--runtime), which the "
                             "launcher unpacks as a runtime and never extracts as a file; rename "
                             "the file";
            return false;
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (SameNameIgnoringCase(name, names[i])) {
                *error = label + " clashes with the entry \"" + names[i] + "\" (" +
                         RoleOf(i, names[i]) +
                         "): the launcher extracts every entry into one folder, where Windows "
                         "takes names in any letter case for the same file; rename the file";
                return false;
            }
        }
        names.push_back(name);
    }
    return true;
}

bool BuildPackedFile(const std::string& stubPath, const std::string& requirement,
                     const std::string& url, const std::string& classPath,
                     const std::string& outputPath, std::string* error)
{
    return BuildPackedFile(stubPath, requirement, url, classPath, outputPath, BuildOptions(),
                           error);
}

bool BuildPackedFile(const std::string& stubPath, const std::string& requirement,
                     const std::string& url, const std::string& classPath,
                     const std::string& outputPath, const BuildOptions& options,
                     std::string* error)
{
    const std::string className = FileNamePart(classPath);
    if (!CheckAlignment(options.alignment, error) || !CheckSettings(requirement, url, options, error) ||
        !CheckClassFileName(className, error) ||
        !CheckFurtherFiles(Taken({className}, options), options.files, error))
        return false;

    std::vector<uint8_t> stub;
    if (!ReadStub(stubPath, options, &stub, error))
        return false;

    InstallerEntries installer;
    InputFile& classFile = AddEntry(&installer, className, "class file ")->file;
    if (!OpenStartingWith(&classFile, classPath, kClassMagic,
                          "class file " + classPath + " does not start with CA FE BA BE: not a Java class file",
                          error))
        return false;
    return AddRuntime(options.runtime, requirement, &installer, error) &&
           AddLaunchSettings(options, className.substr(0, className.rfind('.')), &installer, error) &&
           OpenFurtherFiles(options.files, &installer, error) &&
           WritePackedFile(stub, requirement, url, installer, outputPath, options.alignment,
                           error);
}

bool BuildPackedJar(const std::string& stubPath, const std::string& requirement,
                    const std::string& url, const std::string& jarPath,
                    const std::string& outputPath, const BuildOptions& options,
                    std::string* error)
{
    if (!CheckAlignment(options.alignment, error) || !CheckSettings(requirement, url, options, error) ||
        !CheckFurtherFiles(Taken({kBootstrapEntry, kInstallerJarEntry}, options), options.files,
                           error))
        return false;
    std::string oldVm;
    if (FindAlternativeAdmittingOlder(requirement, kBootstrapJavaVersion, &oldVm)) {
        *error = "the requirement \"" + requirement + "\" lets in VMs older than Java " +
                 std::to_string(kBootstrapJavaVersion) + " (alternative \"" + oldVm +
                 "\"), which cannot start an installer jar; require Java " +
                 std::to_string(kBootstrapJavaVersion) + " or newer, for instance \"" +
                 WithVersionAtLeast(oldVm, kBootstrapJavaVersion) + "\"";
        return false;
    }

    std::vector<uint8_t> stub;
    if (!ReadStub(stubPath, options, &stub, error))
        return false;

    InstallerEntries installer;
    InstallerEntry* bootstrap = AddEntry(&installer, kBootstrapEntry, "");
    bootstrap->bytes = kBootstrapClass;
    bootstrap->byteCount = kBootstrapClassSize;
    InputFile& jar = AddEntry(&installer, kInstallerJarEntry, "jar file ")->file;
    if (!OpenStartingWith(&jar, jarPath, kJarMagic,
                          "jar file " + jarPath + " does not start with PK 03 04: not a jar (zip) file", error))
        return false;
    return AddRuntime(options.runtime, requirement, &installer, error) &&
           AddLaunchSettings(options, "WendleJar", &installer, error) &&
           OpenFurtherFiles(options.files, &installer, error) &&
           WritePackedFile(stub, requirement, url, installer, outputPath, options.alignment,
                           error);
}

}  // namespace wendle_pack
