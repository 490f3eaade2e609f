// Generates table documents of a given size for benchmarks and fuzz seeds.
#pragma once

#include <cstdint>
#include <string>

namespace vex::table::bench {

struct GeneratorOptions {
    std::int32_t rows = 1000;
    std::int32_t columns = 10;         // alternately text and number columns; column 3 is a currency column
    std::int32_t subtotal_every = 20;  // every n-th row is a subtotal row (0: none)
    std::int32_t collapsed_every = 50; // every n-th row is a collapsed group row of one cell (0: none)
    std::int32_t attribute_every = 10; // every n-th cell carries "decimals" or "curr" (0: none)
    std::uint32_t seed = 1;
};

// A complete table document (UTF-8): header, one area with layout, fields, columns, units, a top
// and an end of list block and the data rows.
std::string generate_table_document(const GeneratorOptions& options);

} // namespace vex::table::bench
