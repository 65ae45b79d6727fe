#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace corvex::testing
{

// A numeric CSV file with a header row, as corvex writes it.
struct CsvTable
{
    std::vector<std::string> header;
    std::vector<std::vector<double>> rows;

    // Index of a column by name; throws when there is none.
    std::size_t column(const std::string& name) const;
    std::vector<double> values(const std::string& name) const;
};

CsvTable readCsv(const std::filesystem::path& path);

} // namespace corvex::testing
