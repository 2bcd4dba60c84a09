#include "damaged_table.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "support/tools.h"

namespace {

constexpr long kPageSize = 1024;
// Any byte of the encrypted data will do: its check covers the whole page.
constexpr long kFlippedByte = 300;

std::string read_all_bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_all_bytes(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The records sqlcipher reads whole: each field without a zero byte (a page
// that fails its check reads as zeros) and without an error.
std::set<int> records_read_whole(const std::string& file, const std::string& password,
                                 int records) {
    const std::string script = file + ".sql", output = file + ".out";
    {
        std::ofstream sql(script);
        sql << "PRAGMA key='" << password << "';\n";
        for (int id = 1; id <= records; ++id)
            sql << "SELECT id FROM records WHERE id=" << id
                << " AND instr(CAST(f1 AS BLOB), x'00') + instr(CAST(f2 AS BLOB), x'00') + "
                   "instr(CAST(f3 AS BLOB), x'00') = 0;\n";
    }
    // A page that fails its check ends sqlcipher with an error: what it read
    // before that is what counts.
    static_cast<void>(
        run_tool("sqlcipher", {QString::fromStdString(file)}, script, output, "/dev/null"));
    std::set<int> whole;
    std::istringstream lines(read_all_bytes(output));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) whole.insert(std::atoi(line.c_str()));
    std::remove(script.c_str());
    std::remove(output.c_str());
    return whole;
}

}  // namespace

std::vector<int> pages_of_record_alone(const std::string& file, const std::string& password,
                                       int number, int records) {
    const std::string bytes = read_all_bytes(file);
    const std::string probe = file + ".probe";
    std::set<int> others;
    for (int id = 1; id <= records; ++id)
        if (id != number) others.insert(id);
    std::vector<int> pages;
    // Page 1 holds the table's layout, which every record needs.
    for (long page = 2; page * kPageSize <= static_cast<long>(bytes.size()); ++page) {
        write_all_bytes(probe, bytes);
        flip_byte_in_page(probe, static_cast<int>(page));
        if (records_read_whole(probe, password, records) == others)
            pages.push_back(static_cast<int>(page));
    }
    std::remove(probe.c_str());
    return pages;
}

void flip_byte_in_page(const std::string& file, int page) {
    flip_bit_at(file, (page - 1) * kPageSize + kFlippedByte);
}

void flip_bit_at(const std::string& file, long at) {
    std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
    f.seekg(at);
    char byte = 0;
    f.get(byte);
    f.seekp(at);
    f.put(static_cast<char>(byte ^ 0x01));
}
