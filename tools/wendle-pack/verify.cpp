#include "verify.h"

#include <algorithm>
#include <cstring>

#include "bootstrap_class.h"
#include "launch_settings.h"
#include "requirement.h"

namespace wendle_pack {

namespace {

const uint8_t kClassMagic[4] = {0xCA, 0xFE, 0xBA, 0xBE};
const uint8_t kJarMagic[4] = {'P', 'K', 0x03, 0x04};

class Findings {
public:
    explicit Findings(std::vector<Finding>* out) : out_(out) {}
    void Error(const std::string& text) { out_->push_back({Finding::kError, text}); }
    void Warning(const std::string& text) { out_->push_back({Finding::kWarning, text}); }

private:
    std::vector<Finding>* out_;
};

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string Plural(uint64_t count, const char* word)
{
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

std::string EntryLabel(std::size_t index, const ListedEntry& entry)
{
    return "entry " + std::to_string(index) + " (" + Quoted(entry.name) + ")";
}

bool DataStartWith(const std::vector<uint8_t>& file, const ListedEntry& entry,
                   const uint8_t (&magic)[4])
{
    return entry.length >= sizeof magic &&
           std::memcmp(file.data() + entry.dataOffset, magic, sizeof magic) == 0;
}

// Why a version field never matches, in words, with what the publisher
// probably meant when the field is a bare version number.
std::string WhyNeverMet(const std::string& version, const VersionTest& test)
{
    if (test.kind == VersionTest::kEmptyRange)
        return "its version field " + Quoted(version) + " is a range from " +
               std::to_string(test.low) + " down to " + std::to_string(test.high) +
               ", which holds no version";
    std::string why = "its version field " + Quoted(version) +
                      " does not begin with 1.0, 1.1, 1.2 or A (letter case counts) and is not "
                      "a range N+ or N-M";
    if (VersionNumber(version) >= 0)
        why += "; for Java " + version + " or newer write " + version + "+";
    return why;
}

void CheckChainEnd(const std::vector<uint8_t>& file, const ChainWalk& walk, Findings& findings)
{
    const std::size_t index = walk.entries.size();
    const std::string at = " at " + Hex(walk.endPosition);
    const std::string where = "entry " + std::to_string(index) + at;
    const std::string walkEnds = "; the launcher's walk ends there";
    const bool noMagic = walk.end == ChainEnd::kTrailer || walk.end == ChainEnd::kPadding ||
                         walk.end == ChainEnd::kOtherBytes;
    if (index == 0 && noMagic) {
        findings.Error("no payload: the trailer at " + Hex(walk.trailer) + " points at " +
                       Hex(walk.endPosition) +
                       (walk.endPosition >= walk.trailer ? ", not in front of itself"
                                                         : ", where no entry starts"));
        return;
    }
    switch (walk.end) {
    case ChainEnd::kTrailer:
    case ChainEnd::kPadding:
        return;
    case ChainEnd::kOtherBytes:
        findings.Error("the " + Plural(walk.trailer - walk.endPosition, "byte") + " from " +
                       Hex(walk.endPosition) + " up to the trailer at " + Hex(walk.trailer) +
                       " are neither an entry nor zero padding; the launcher ignores them");
        return;
    case ChainEnd::kMagicCase:
        findings.Error(where + " starts with " +
                       Quoted(std::string(file.begin() + walk.endPosition,
                                          file.begin() + walk.endPosition + kMagicSize)) +
                       ": the magic must read \"tvq\", in lower case" + walkEnds);
        return;
    case ChainEnd::kTenEntries:
        findings.Error("more than ten entries: the launcher reads ten and ignores the entry" + at +
                       " and everything behind it");
        return;
    case ChainEnd::kLongName:
        if (walk.storedName.size() <= kMaxNameLength) {
            findings.Error(where + ": its name runs to the end of the file without a NUL" +
                           walkEnds);
            return;
        }
        findings.Error(where + " has a name of " +
                       (walk.storedName.size() > kMaxStringLength
                            ? std::string("more than ") + std::to_string(kMaxStringLength)
                            : std::to_string(walk.storedName.size())) +
                       " characters; the launcher holds names of at most " +
                       std::to_string(kMaxNameLength) + walkEnds);
        return;
    case ChainEnd::kBadName:
        findings.Error(where + " is named " + Quoted(walk.storedName) + ", which " +
                       NameFaultText(CheckName(walk.storedName)) + "; rename the file" + walkEnds);
        return;
    case ChainEnd::kHeaderCut:
        findings.Error(where + ": its header runs into the trailer at " + Hex(walk.trailer) +
                       walkEnds);
        return;
    case ChainEnd::kDataCut:
        findings.Error(where + ": its " + Plural(walk.storedLength, "byte") +
                       " of data reach past the trailer at " + Hex(walk.trailer) + walkEnds);
        return;
    }
}

// A signing tool pads the file to a multiple of 8 before the certificate
// table; a file packed without that alignment then has zeros where the
// launcher looks for the trailer.
void ExplainSignerPadding(const std::vector<uint8_t>& file, const CertificateTable& table,
                          Findings& findings)
{
    for (uint64_t padding = 1; padding < kDefaultAlignment; ++padding) {
        if (table.offset < padding + kTrailerSize)
            return;
        if (file[table.offset - padding] != 0)
            return;
        const uint64_t trailer = table.offset - padding - kTrailerSize;
        const uint32_t firstEntry = ReadUInt32At(file, trailer);
        if (firstEntry < trailer && MagicAt(file, firstEntry)) {
            findings.Error("the " + Plural(padding, "zero byte") +
                           " in front of the certificate table look like a signing tool's "
                           "padding, with the trailer at " + Hex(trailer) +
                           " in front of them: the file was packed without --align 8; pack it "
                           "again (the default aligns) and sign it again");
            return;
        }
    }
}

// True, with the value, when the launcher can read the setting.
bool CheckSetting(const std::vector<uint8_t>& file, std::size_t index, const ListedEntry& entry,
                  const char* expectedName, const char* what, Findings& findings,
                  std::string* value)
{
    if (!SameNameIgnoringCase(entry.name, expectedName)) {
        findings.Error("entry " + std::to_string(index) + " is named " + Quoted(entry.name) +
                       "; the launcher reads " + what + " from an entry named " +
                       Quoted(expectedName) + " (letter case ignored) and shows its usage "
                       "message without it");
        return false;
    }
    const std::string label = EntryLabel(index, entry);
    const uint8_t* data = file.data() + entry.dataOffset;
    const void* nul = std::memchr(data, 0, entry.length);
    if (nul == nullptr) {
        findings.Error(label + ": its " + Plural(entry.length, "byte") +
                       " of data hold no NUL, so the launcher cannot read " + what);
        return false;
    }
    const std::size_t textLength = static_cast<const uint8_t*>(nul) - data;
    if (textLength > kMaxStringLength) {
        findings.Error(label + ": " + what + " has " + std::to_string(textLength) +
                       " characters; the launcher holds at most " +
                       std::to_string(kMaxStringLength));
        return false;
    }
    if (textLength + 1 < entry.length)
        findings.Warning(label + ": the " + Plural(entry.length - textLength - 1, "byte") +
                         " behind the NUL are ignored");
    value->assign(reinterpret_cast<const char*>(data), textLength);
    return true;
}

void CheckInstallerClass(const std::vector<uint8_t>& file, const ListedEntry& entry,
                         Findings& findings)
{
    const std::string label = EntryLabel(2, entry) + ", the installer class";
    const std::string suffix = ".class";
    const bool hasSuffix =
        entry.name.size() > suffix.size() &&
        SameNameIgnoringCase(entry.name.substr(entry.name.size() - suffix.size()), suffix);
    if (!hasSuffix)
        findings.Error(label + ": its name does not end in \".class\"; the VM is given the "
                               "name without its extension and looks for that name and "
                               "\".class\"");
    if (!DataStartWith(file, entry, kClassMagic))
        findings.Error(label + ": its data do not start with CA FE BA BE; it is not a Java "
                               "class file");
    const std::size_t dot = entry.name.rfind('.');
    const std::string className = dot == std::string::npos ? entry.name : entry.name.substr(0, dot);
    if (className.find('.') != std::string::npos)
        findings.Warning(label + ": the class name " + Quoted(className) +
                         " holds a dot; the VM takes the part in front of it for a package "
                         "and looks in a folder the launcher does not write");
    if (className.find(' ') != std::string::npos)
        findings.Warning(label + ": the class name " + Quoted(className) +
                         " holds a blank; the VM's command line splits it into two words");
}

// The bootstrap class looks for the jar beside itself and needs Java 8.
void CheckInstallerJar(const std::vector<uint8_t>& file, const std::vector<ListedEntry>& entries,
                       bool hasRequirement, const std::string& requirement,
                       std::vector<Finding>& out)
{
    Findings findings(&out);
    const std::size_t jar = InstallerJarIndex(entries);
    if (jar == 0) {
        findings.Error(EntryLabel(2, entries[2]) + " is the class that starts an installer jar, "
                       "but no entry " + Quoted(kInstallerJarEntry) +
                       " follows: the installation would end at once");
        return;
    }
    if (!DataStartWith(file, entries[jar], kJarMagic))
        findings.Error(EntryLabel(jar, entries[jar]) + ", the installer jar: its data do not "
                       "start with PK 03 04; it is not a jar, and the class that starts it "
                       "ends the installation");
    if (hasRequirement) {
        const std::vector<Finding> old = CheckJarRequirement(requirement);
        out.insert(out.end(), old.begin(), old.end());
    }
}

// The JVM options and the arguments: readable by the launcher, text that its
// command line carries as meant, and room for both for every kind of VM.
void CheckPackedLaunchSettings(const std::vector<uint8_t>& file, const std::vector<ListedEntry>& entries,
                         Verification& result, Findings& findings)
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool options = SameNameIgnoringCase(entries[i].name, kJvmOptionsEntry);
        if (!options && !SameNameIgnoringCase(entries[i].name, kArgumentsEntry))
            continue;
        std::string& text = options ? result.jvmOptions : result.arguments;
        std::string fault;
        if (!ReadStringValue(file, entries[i], &text, kMaxCommandLineLength + 1))
            fault = "holds no NUL within its data and " + std::to_string(kMaxCommandLineLength + 1) +
                    " bytes, so the launcher cannot read it and shows its usage message";
        else
            fault = CommandLineFault(text);
        if (!fault.empty())
            findings.Error(EntryLabel(i, entries[i]) + " " + fault);
    }
    const std::string className =
        entries.size() > 2 ? entries[2].name.substr(0, entries[2].name.rfind('.')) : "";
    const std::size_t longest =
        LongestInstallerCommandLine(result.jvmOptions, result.arguments, className);
    if (longest > kMaxCommandLineLength)
        findings.Error("the JVM options and the arguments make an installer's command line of up "
                       "to " + std::to_string(longest) + " characters; Windows carries " +
                       std::to_string(kMaxCommandLineLength));
}

}  // namespace

int Verification::Count(Finding::Severity severity) const
{
    int count = 0;
    for (const Finding& finding : findings)
        count += finding.severity == severity ? 1 : 0;
    return count;
}

std::vector<Finding> CheckRequirement(const std::string& requirement)
{
    std::vector<Finding> out;
    Findings findings(&out);
    const std::vector<std::string> alternatives = SplitAlternatives(requirement);
    if (alternatives.empty()) {
        findings.Error("the requirement string has no alternatives: the probe answers NO on "
                       "every VM");
        return out;
    }
    if (requirement.find('"') != std::string::npos)
        findings.Warning("the requirement string holds a double quote, which the VM's command "
                         "line takes for quoting");
    std::size_t canMatch = 0;
    for (const std::string& alternative : alternatives) {
        const std::size_t colons = std::count(alternative.begin(), alternative.end(), ':');
        if (colons < 2) {
            findings.Error("alternative " + Quoted(alternative) +
                           " is not of the form <version>:<vendor>:<os>: it has " +
                           std::to_string(colons) + " \":\" where two are needed");
            continue;
        }
        const std::string version = alternative.substr(0, alternative.find(':'));
        const VersionTest test = ReadVersionField(version);
        if (test.kind == VersionTest::kEmptyRange || test.kind == VersionTest::kUnknown) {
            findings.Warning("alternative " + Quoted(alternative) + " can never match: " +
                             WhyNeverMet(version, test));
            continue;
        }
        ++canMatch;
    }
    if (canMatch == 0)
        findings.Error("no alternative of the requirement string can ever match: the launcher "
                       "will find no suitable VM");
    return out;
}

std::vector<Finding> CheckJarRequirement(const std::string& requirement)
{
    std::vector<Finding> out;
    Findings findings(&out);
    for (const std::string& alternative : SplitAlternatives(requirement)) {
        std::string version;
        if (!VersionFieldOf(alternative, &version) ||
            !AdmitsOlderThan(ReadVersionField(version), kBootstrapJavaVersion))
            continue;
        findings.Warning("alternative " + Quoted(alternative) + " lets in VMs older than Java " +
                         std::to_string(kBootstrapJavaVersion) +
                         ", which cannot run the class that starts the installer jar: such a VM "
                         "is offered to the user and the installation then fails; write " +
                         Quoted(WithVersionAtLeast(alternative, kBootstrapJavaVersion)));
    }
    return out;
}

Verification VerifyPackedFile(const std::vector<uint8_t>& file)
{
    Verification result;
    Findings findings(&result.findings);
    result.table = FindCertificateTable(file);
    const CertificateTable& table = result.table;
    const std::string tableText = "the certificate table (at " + Hex(table.offset) + ", " +
                                  Plural(table.size, "byte") + ")";
    if (table.state == CertificateTable::kOutside)
        findings.Error("the security directory names " + tableText +
                       ", which does not lie inside the file of " + Plural(file.size(), "byte") +
                       ": the signature is damaged, and the launcher reads the file as unsigned");
    else if (table.state == CertificateTable::kNotAtEnd)
        findings.Error(Plural(file.size() - (uint64_t(table.offset) + table.size), "byte") +
                       " follow " + tableText +
                       ": they lie outside the signed range, and the launcher reads the file as "
                       "unsigned, looking for the trailer in its last 4 bytes");

    result.brand = ReadBrand(file);
    for (const std::string& fault : result.brand.errors)
        findings.Error("resources: " + fault);

    std::string error;
    if (!WalkPayload(file, &result.walk, &error)) {
        findings.Error(error);
        if (table.state == CertificateTable::kAtEnd)
            ExplainSignerPadding(file, table, findings);
        return result;
    }
    const ChainWalk& walk = result.walk;
    CheckChainEnd(file, walk, findings);
    const std::vector<ListedEntry>& entries = walk.entries;
    if (entries.empty()) {
        if (table.state == CertificateTable::kAtEnd)
            ExplainSignerPadding(file, table, findings);
        return result;
    }
    if (table.state == CertificateTable::kNotAtEnd &&
        walk.firstEntry >= uint64_t(table.offset) + table.size)
        findings.Error("the payload lies behind " + tableText +
                       ", outside the signed range: pack the unsigned launcher, then sign");

    if (entries.size() < 3)
        findings.Error("the launcher needs three entries (the requirement \"CommandLine\", the "
                       "download address \"URL\" and the installer class) and finds " +
                       std::to_string(entries.size()));
    std::string requirement, url;
    const bool hasRequirement = CheckSetting(file, 0, entries[0], kRequirementEntry,
                                             "the requirement string", findings, &requirement);
    if (hasRequirement) {
        const std::vector<Finding> alternatives = CheckRequirement(requirement);
        result.findings.insert(result.findings.end(), alternatives.begin(), alternatives.end());
    }
    if (entries.size() > 1 &&
        CheckSetting(file, 1, entries[1], kUrlEntry, "the download address", findings, &url) &&
        url.empty())
        findings.Warning("the download address is empty: the no-VM dialog has no page to open");
    if (entries.size() > 2)
        CheckInstallerClass(file, entries[2], findings);
    if (HasBootstrapClass(entries))
        CheckInstallerJar(file, entries, hasRequirement, requirement, result.findings);

    CheckPackedLaunchSettings(file, entries, result, findings);

    const std::size_t runtime = RuntimeIndex(entries);
    std::string fault;
    if (runtime != 0 && !ReadRuntime(file, entries[runtime], hasRequirement ? &requirement : nullptr,
                                     &result.runtime, &fault)) {
        findings.Error(EntryLabel(runtime, entries[runtime]) + ": " + fault +
                       "; the launcher refuses the runtime");
        result.runtime.version.clear();
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind != 0)
            findings.Error(EntryLabel(i, entries[i]) + " has kind " +
                           std::to_string(entries[i].kind) +
                           "; the launcher extracts only entries of kind 0 and stops the "
                           "installation at this one");
        for (std::size_t j = 0; j < i; ++j) {
            if (SameNameIgnoringCase(entries[i].name, entries[j].name))
                findings.Warning(EntryLabel(i, entries[i]) + " has the name of entry " +
                                 std::to_string(j) +
                                 " (letter case ignored, as in Windows file names): it "
                                 "replaces that entry's file when extracted");
        }
    }
    return result;
}

}  // namespace wendle_pack
