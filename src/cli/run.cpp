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

// Only A to Z are folded; bytes above 0x7F are no letters here.
std::string lower_ascii(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

}  // namespace

int run(int argc, const std::string* argv) {
    // The names already decide where the banner goes: nothing but the stream
    // may enter an output that is standard output's file or pipe, and no
    // message may enter the input.
    if (argc >= 3) keep_messages_out_of(argv[1], argv[2]);
    message(BANNER);
    if (argc < 3) {
        message(USAGE);
        return 1;
    }
    // The files are opened by the names as typed; the lower-cased forms are
    // compared and shown. Two "-" are standard input and standard output.
    const std::string& input_path = argv[1];
    const std::string& output_path = argv[2];
    input_name = lower_ascii(input_path);
    output_name = lower_ascii(output_path);
    if (input_name == output_name && input_path != "-")
        fail("Input and output filenames must be different\n\n");
    // Names that already tell (./name, a full path, a link, a FIFO named
    // twice, standard output redirected to the input) refuse before anything
    // is opened; the open files decide again, before the output is emptied,
    // for what names cannot tell (a file made or replaced meanwhile).
    if (names_are_one_file(input_path, output_path))
        fail("Input and output filenames must be different\n\n");
    if (!open_input(input_path)) fail("Unable to open input file %s\n\n", input_name);
    check_stream_header();
    if (!open_output(output_path)) fail("Unable to open output file %s\n\n", output_name);
    keep_messages_out_of_open_files();
    if (output_is_input()) fail("Input and output filenames must be different\n\n");
    if (!empty_output()) fail("Unable to open output file %s\n\n", output_name);
    run_body_pass();
    if (output_count != 0) flush_output();
    close_files();
    const std::string summary = "Embedded " + std::to_string(blocks_embedded) +
                                " SVCD scan information user data blocks in %s\n";
    message(summary.c_str(), output_name);
    return 0;
}

}  // namespace quorvel
