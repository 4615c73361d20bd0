// A program that knows nothing of ksdvi and loads the plugin: as a viewer
// opens its plugins.
//   ksdvi_test_plugin_host PLUGIN DOCUMENT.dvi OUT.png DPI WIDTH HEIGHT
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

using RenderFirstPage = int (*)(char const*, char const*, int, int, int, char*, int);

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s PLUGIN DOCUMENT.dvi OUT.png DPI WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    void* plugin = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!plugin) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    auto render = reinterpret_cast<RenderFirstPage>(dlsym(plugin, "ksdvi_plugin_render_first_page"));
    if (!render) {
        std::fprintf(stderr, "the plugin has no ksdvi_plugin_render_first_page\n");
        return 2;
    }
    static char problems[4096];
    const int status =
        render(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]), problems, sizeof problems);
    std::fputs(problems, stdout);
    return status;
}
