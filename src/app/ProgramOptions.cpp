#include "app/ProgramOptions.h"

#include <string>

std::optional<int> AnswerInfoOptions(const std::vector<std::string>& args, std::string_view version, std::FILE* out)
{
    for (const std::string& arg : args) {
        // Whatever follows is a file name, even one that looks like an option.
        if (arg == "--")
            break;
        if (arg == "--version") {
            std::fprintf(out, "quarrow %.*s\n", static_cast<int>(version.size()), version.data());
            return std::fflush(out) == 0 ? 0 : 1;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs("usage: quarrow [FILE]\n"
                       "Find domain names that are still free to register.\n"
                       "\n"
                       "  FILE        a project (*.prj.xml) to open, or a word list (*.ctg.xml) to load\n"
                       "  -h, --help  show this text and exit\n"
                       "  --version   show the version and exit\n"
                       "\n"
                       "The toolkit's own options (-platform, -style, ...) are understood as well.\n"
                       "quarrow-cli runs the same checks without a window; see quarrow(1), quarrow-cli(1).\n",
                       out);
            return std::fflush(out) == 0 ? 0 : 1;
        }
    }
    return std::nullopt;
}
