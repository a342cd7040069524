// The run sequence: check the names, check the input's headers, and only
// then open the output and run the pass.
#include "run.h"

#include <string>

#include "../blockio/block_io.h"
#include "../stream/stream_pass.h"

namespace quorvel {

namespace {

// The banner names version 1.1, the version whose messages this program
// prints byte for byte; the release number is the package's, and scripts
// may match the banner as it stands.
constexpr const char* BANNER = "Quorvel - version 1.1, by the Quorvel developers\n\n";
constexpr const char* USAGE =
    "Quorvel is program to embed dummy user data blocks in an MPEG-2 video stream\n"
    "        so a multiplexor can insert SVCD scan information data\n\n"
    "Usage: Quorvel  input MPEG-2 video filename  output MPEG-2 video filename\n\n";
constexpr const char* SAME = "Input and output filenames must be different\n\n";

}  // namespace

int run(const command_line& line) {
    // The names already decide where the banner goes: nothing but the stream
    // may enter an output that is standard output's file or pipe, and no
    // message may enter the input.
    use_names(line);
    message(BANNER);
    if (line.count < 3) {
        message(USAGE);
        return 1;
    }
    // Equal names, and names that already tell (./name, a full path, a link,
    // a FIFO named twice, standard output redirected to the input), refuse
    // before anything is opened; the open files decide again, before the
    // output is emptied, for what names cannot tell (a file made or replaced
    // meanwhile).
    if (names_are_one_file()) fail(SAME);
    if (!open_input()) fail("Unable to open input file %s\n\n", input_name.lowered);
    check_stream_header();
    if (!open_output()) fail("Unable to open output file %s\n\n", output_name.lowered);
    identify_open_files();
    if (output_is_input()) fail(SAME);
    if (!empty_output()) fail("Unable to open output file %s\n\n", output_name.lowered);
    run_body_pass();
    if (output_count != 0) flush_output();
    close_files();
    const std::string summary = "Embedded " + std::to_string(blocks_embedded) +
                                " SVCD scan information user data blocks in %s\n";
    message(summary.c_str(), output_name.lowered);
    return 0;
}

int run(int argc, const std::string* argv) { return run(resolve_command_line(argc, argv)); }

}  // namespace quorvel
