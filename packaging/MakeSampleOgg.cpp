// Writes a short Ogg Vorbis recording to the path given, for the package
// test to open with the installed programs.
#include "tests/support/TestAudio.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: oq_sample_ogg FILE\n";
        return 2;
    }
    try {
        oq::test::WriteBytes(argv[1], oq::test::MakeOggVorbis({}));
    } catch (const std::exception& error) {
        std::cerr << "oq_sample_ogg: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
