#include "JsonLines.h"

#include <iostream>

void PrintJsonLines(nlohmann::ordered_json const& array) {
    using Json = nlohmann::ordered_json;
    std::cout << "[";
    for (size_t i = 0; i < array.size(); ++i)
        std::cout << (i ? ",\n " : "\n ") << array[i].dump(-1, ' ', false, Json::error_handler_t::replace);
    std::cout << "\n]" << std::endl;
}
