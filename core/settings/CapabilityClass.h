#pragma once
#include "ZxExport.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// What a camera's sensor can do, from the number in its model text
// ("VT-C6102" -> 6102). The classes are ordered from the lowest to the highest.
enum class CapabilityClass
{
    Hd720 = 0,
    Mp13 = 1,
    Hd1080 = 2,
    Mp3 = 3,
    Mp5 = 4,
};

// The model number of "VT-C%d"; 0 when the text does not start that way.
ZX_EXPORT int ModelNumber(const std::string& model);
ZX_EXPORT CapabilityClass CapabilityClassOf(int modelNumber);
inline CapabilityClass CapabilityClassOfModel(const std::string& model)
{
    return CapabilityClassOf(ModelNumber(model));
}
// True for an A model: a model text that ends in the letter A.
ZX_EXPORT bool IsAModel(const std::string& model);

// The reference camera of a batch, whose stream choices bound what every
// camera of the batch is sent: the one with the lowest capability class, the
// first in list order among equals. models are the cameras' model texts in
// list order; nullopt for none.
ZX_EXPORT std::optional<std::size_t> ReferenceCamera(const std::vector<std::string>& models);
