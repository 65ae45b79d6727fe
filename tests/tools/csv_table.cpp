#include "tests/tools/csv_table.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace corvex::testing
{

namespace
{

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> result;
    std::istringstream stream(line);
    for (std::string field; std::getline(stream, field, ',');)
        result.push_back(field);
    return result;
}

} // namespace

std::size_t CsvTable::column(const std::string& name) const
{
    const auto found = std::ranges::find(header, name);
    if (found == header.end())
        throw std::runtime_error("no column " + name);
    return static_cast<std::size_t>(found - header.begin());
}

std::vector<double> CsvTable::values(const std::string& name) const
{
    const std::size_t index = column(name);
    std::vector<double> result;
    for (const std::vector<double>& row : rows)
        result.push_back(row.at(index));
    return result;
}

CsvTable readCsv(const std::filesystem::path& path)
{
    std::ifstream stream(path);
    if (!stream)
        throw std::runtime_error("cannot read " + path.string());
    CsvTable table;
    std::string line;
    std::getline(stream, line);
    table.header = fields(line);
    while (std::getline(stream, line))
    {
        std::vector<double> row;
        for (const std::string& field : fields(line))
            row.push_back(std::stod(field));
        if (row.size() != table.header.size())
            throw std::runtime_error("ragged row in " + path.string() + ": " + line);
        table.rows.push_back(std::move(row));
    }
    return table;
}

} // namespace corvex::testing
