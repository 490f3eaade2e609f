// Writes a generated table document: table_document_generator ROWS COLUMNS [FILE]
// (to standard output when no file is given).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "table_document_generator.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: table_document_generator ROWS COLUMNS [FILE]\n";
        return 2;
    }
    vex::table::bench::GeneratorOptions options;
    options.rows = std::atoi(argv[1]);
    options.columns = std::atoi(argv[2]);
    if (options.rows < 0 || options.columns < 1) {
        std::cerr << "ROWS must be 0 or more and COLUMNS 1 or more\n";
        return 2;
    }
    const std::string xml = vex::table::bench::generate_table_document(options);
    if (argc > 3) {
        std::ofstream file(argv[3], std::ios::binary);
        file << xml;
        return file ? 0 : 1;
    }
    std::cout << xml;
    return std::cout ? 0 : 1;
}
