#include "CapabilityClass.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {
// Models whose number the digit rules below would misplace: cameras that got a
// new sensor under an old number. Kept sorted for the binary search.
constexpr std::array<int, 27> kHd1080Models = {1104, 1105, 1108, 1204, 1205, 1208, 1304, 1305, 1308,
                                               3104, 3105, 3108, 3204, 3205, 3208, 4104, 4105, 4108,
                                               4204, 4205, 4208, 7104, 7105, 7108, 7204, 7205, 7208};
constexpr std::array<int, 18> kMp3Models = {1186, 1187, 1286, 1287, 3186, 3187, 3286, 3287, 4186,
                                            4187, 4286, 4287, 5186, 5187, 7186, 7187, 9186, 9187};
constexpr std::array<int, 7> kMp5Models = {2958, 2959, 5958, 5959, 6958, 6959, 8958};

template <std::size_t N> bool Listed(const std::array<int, N>& models, int number)
{
    return std::binary_search(models.begin(), models.end(), number);
}
} // namespace

int ModelNumber(const std::string& model)
{
    int number = 0;
    if (std::sscanf(model.c_str(), "VT-C%d", &number) != 1) {
        return 0;
    }
    return number;
}

CapabilityClass CapabilityClassOf(int n)
{
    const int k = n / 1000;
    const int h = (n % 1000) / 100;
    const int t = (n % 100) / 10;
    const int u = n % 10;
    if (Listed(kHd1080Models, n) || (k == 6 && u <= 3)) {
        return CapabilityClass::Hd1080;
    }
    if (Listed(kMp3Models, n) || (k == 8 && (u == 6 || u == 7))) {
        return CapabilityClass::Mp3;
    }
    if (Listed(kMp5Models, n)) {
        return CapabilityClass::Mp5;
    }
    if (h == 9) {
        return CapabilityClass::Hd720;
    }
    if (k == 2 || (k == 5 && u <= 3)) {
        return CapabilityClass::Mp13;
    }
    if (t >= 5 && t <= 7 && u >= 1 && u <= 3) {
        return CapabilityClass::Hd1080;
    }
    if (t >= 5 && t <= 7 && u == 6) {
        return CapabilityClass::Mp3;
    }
    return CapabilityClass::Mp5;
}

bool IsAModel(const std::string& model)
{
    return !model.empty() && model.back() == 'A';
}

std::optional<std::size_t> ReferenceCamera(const std::vector<std::string>& models)
{
    std::optional<std::size_t> reference;
    CapabilityClass lowest = CapabilityClass::Mp5;
    for (std::size_t i = 0; i < models.size(); ++i) {
        const CapabilityClass capability = CapabilityClassOfModel(models[i]);
        if (!reference || capability < lowest) {
            reference = i;
            lowest = capability;
        }
    }
    return reference;
}
