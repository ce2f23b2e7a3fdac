#include "FilterNames.h"

#include <array>
#include <string_view>

#include "ToolErrors.h"

namespace tavix::tool {

namespace {
struct FilterName {
    std::string_view name;
    int32_t number;
};
constexpr std::array<FilterName, 27> kFilters{{
    {"brightness", 1},      {"contrast", 2},         {"hue", 3},              {"saturation", 4},
    {"sharpness", 5},       {"bayer-gain-rgb", 6},   {"bayer-gain-red", 7},   {"bayer-gain-green", 8},
    {"bayer-gain-blue", 9}, {"bayer-gain-auto", 10}, {"gamma", 11},           {"bayer-mode", 12},
    {"gray-mode", 19},      {"gray-gain-r", 20},     {"gray-gain-g1", 21},    {"gray-gain-g2", 22},
    {"gray-gain-b", 23},    {"gray-offset-r", 24},   {"gray-offset-g1", 25},  {"gray-offset-g2", 26},
    {"gray-offset-b", 27},  {"gray-auto-once", 28},  {"dot-filter", 102},     {"mask-filter", 103},
    {"black-level", 104},   {"short-exposure", 105}, {"gain-mode", 106},
}};
} // namespace

int32_t FilterNumber(const std::string& name)
{
    for (const FilterName& filter : kFilters)
        if (filter.name == name)
            return filter.number;
    throw UsageError("unknown filter '" + name + "'; known: " + FilterNameList());
}

std::string FilterNameList()
{
    std::string list;
    for (const FilterName& filter : kFilters)
        list += (list.empty() ? "" : ", ") + std::string(filter.name);
    return list;
}

} // namespace tavix::tool
