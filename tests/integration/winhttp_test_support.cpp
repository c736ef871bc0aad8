#include "tests/integration/winhttp_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace nimbrel {

Options& TestOptions() {
    static Options options;
    return options;
}

std::string Url(const std::string& path) {
    return TestOptions().base + path;
}

std::string DataFile(const std::string& path) {
    std::string local = TestOptions().dataFolder + path;
    for (char& c : local) {
        c = c == '/' ? '\\' : c;
    }
    std::ifstream file(local, std::ios::binary);
    EXPECT_TRUE(file) << "cannot read " << local;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void PumpFor(std::chrono::milliseconds duration) {
    PumpUntil([] { return false; }, duration);
}

}  // namespace nimbrel

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: %s BASE-URL DATA-FOLDER REFUSED-URL [HTTPS-BASE-URL]\n",
                     argv[0]);
        return 2;
    }
    nimbrel::TestOptions() = {argv[1], argv[2], argv[3], argc == 5 ? argv[4] : ""};
    return RUN_ALL_TESTS();
}
