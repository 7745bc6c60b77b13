// pffopenbench STORE: how long libpff takes to open a store and list the top of its folder tree, for comparison
// with pstbench's logon on the same file. A program run by hand (pstbench --series runs it with a time bound),
// never a test; libpff stays out of the program itself.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <libpff.h>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pffopenbench STORE\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    libpff_file_t* file = nullptr;
    libpff_error_t* error = nullptr;
    if (libpff_file_initialize(&file, &error) != 1 || libpff_file_open(file, argv[1], LIBPFF_OPEN_READ, &error) != 1) {
        char text[1024] = {};
        if (error) libpff_error_sprint(error, text, sizeof text);
        std::fprintf(stderr, "pffopenbench: %s\n", text);
        return 1;
    }
    libpff_item_t* root = nullptr;
    int folders = 0;
    if (libpff_file_get_root_folder(file, &root, &error) == 1) {
        // The top of the tree and the names of its folders, as a logon shows them.
        int count = 0;
        libpff_folder_get_number_of_sub_folders(root, &count, nullptr);
        for (int i = 0; i < count; ++i) {
            libpff_item_t* child = nullptr;
            if (libpff_folder_get_sub_folder(root, i, &child, nullptr) != 1) continue;
            uint8_t name[512] = {};
            libpff_folder_get_utf8_name(child, name, sizeof name, nullptr);
            libpff_item_free(&child, nullptr);
            ++folders;
        }
        libpff_item_free(&root, nullptr);
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    // Processor time beside the elapsed time: on a shared machine the elapsed time also counts others' work.
    std::printf("%.2f ms, processor %.2f ms (%d folders)\n", ms, 1000.0 * double(std::clock()) / CLOCKS_PER_SEC,
        folders);
    libpff_file_close(file, nullptr);
    libpff_file_free(&file, nullptr);
    return 0;
}
