#include "tools/mkscr/cli.h"

#include <exception>

#include "builder/build_commands.h"
#include "builder/child_process.h"
#include "builder/mkscr_options.h"
#include "builder/package_report.h"
#include "common/command_options.h"
#include "common/error.h"

namespace orlscr::mkscr {

int RunMkscr(const std::vector<std::string>& args,
             const std::string& programFolder,
             std::ostream& out,
             std::ostream& err,
             bool showProgress) {
    try {
        if (args.empty()) {
            err << "mkscr: nothing to do (see mkscr --help)\n";
            return 2;
        }
        const std::string& command = args[0];
        if (command == "--help" || command == "-h" || command == "help") {
            out << MkscrHelp();
            return 0;
        }
        const bool named = command == "build" || command == "slides" || command == "inspect";
        if (!named && command[0] != '-')
            throw UsageError("unknown command '" + command + "' (see mkscr --help)");
        const CommandLine options = ParseCommandLine(WithClockValue(args), named ? 1 : 0, MkscrOptions());
        if (options.Switch("help")) {
            out << MkscrHelp();
            return 0;
        }
        if (command == "inspect") {
            if (options.positional.size() != 1)
                throw UsageError("mkscr inspect takes one package");
            CheckOptionsOf(options, kInspectCommand);
            return Inspect(options.positional[0], options.Switch("json"), out, err);
        }
        if (command == "slides")
            return BuildSlideShowPackage(options, programFolder, showProgress, out, err);
        return BuildPresentationPackage(options, programFolder, showProgress, out, err);
    } catch (const CommandLineError& e) {
        err << "mkscr: " << e.what() << (e.kind == CommandLineError::Kind::kUnknownOption ? " (see mkscr --help)" : "")
            << "\n";
        return 2;
    } catch (const UsageError& e) {
        err << "mkscr: " << e.what() << "\n";
        return 2;
    } catch (const StopSignalError& e) {
        // Everything of the build is gone: end as the signal asked.
        err << "mkscr: " << e.what() << "\n";
        e.RaiseAgain();
        return 1;
    } catch (const std::exception& e) {
        err << "mkscr: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace orlscr::mkscr
