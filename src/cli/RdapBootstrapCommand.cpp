#include "cli/ArgumentReader.h"
#include "cli/CliCommands.h"

#include "base/AtomicFileWriter.h"
#include "base/WholeFile.h"
#include "engine/Folders.h"
#include "engine/ServerResolver.h"
#include "rdap/RdapBootstrap.h"

#include <cstdio>
#include <string>

// quarrow-cli rdap-bootstrap [--config FILE] FILE: a downloaded RDAP bootstrap file (RFC 9224)
// replaces the copy beside the configuration file, which names the RDAP services of top-level
// domains the server table leaves without a server. A file that is not one leaves the copy as it
// was: checks would otherwise lose every RDAP-only top-level domain at once.

int RunRdapBootstrapCommand(const std::vector<std::string>& args)
{
    TArgumentReader reader({
        {"--config", "FILE", "the configuration file whose folder holds the copy (default: the data folder's)"},
    });
    reader.Read(args);
    if (reader.Operands().size() != 1)
        throw TUsageError("give exactly one FILE (usage: quarrow-cli rdap-bootstrap [--config FILE] FILE)");
    const std::string& source = reader.Operands().front();
    const std::string target = reader.Has("--config") ? TServerResolver::BootstrapPathBeside(reader.Value("--config"))
                                                      : ComputeFolders().RdapBootstrapPath();

    RequireReadableFile(source, "RDAP bootstrap file");
    const TWholeFile file = ReadWholeFile(source, TRdapBootstrap::MaxFileBytes);
    if (!file.Loaded())
        throw TUsageError("cannot read the RDAP bootstrap file \"" + source + "\": " + file.Error);
    TRdapBootstrap bootstrap;
    if (!bootstrap.Parse(file.View()))
        throw TUsageError("\"" + source + "\" was not installed: " + bootstrap.Problem());

    // Owner only, as the first start copies it, whatever the umask or the old copy's mode said.
    TAtomicFileWriter writer(target, {.Mode = 0600, .ExactMode = true});
    writer.Write(file.View());
    if (!writer.Commit())
        throw TUsageError("cannot write \"" + target + "\": " + writer.Error());
    std::printf("RDAP services for %zu top-level domains installed in \"%s\".\n", bootstrap.EntryCount(),
                target.c_str());
    return std::fflush(stdout) == 0 ? ExitSuccess : ExitIncomplete;
}
