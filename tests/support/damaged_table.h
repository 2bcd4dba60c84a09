#pragma once

#include <string>
#include <vector>

// Damage as a disk makes it, in a locked table of diary pages (fields 内容,
// 时间, 标题), found with the sqlcipher command rather than with the store
// under test.

// The pages of the file (1 KiB each, numbered from 1) that hold record
// `number` and no other: with one byte of such a page flipped, sqlcipher
// reads each of the other records whole and that one not.
std::vector<int> pages_of_record_alone(const std::string& file, const std::string& password,
                                       int number, int records);

// Flips one byte in that page of the file.
void flip_byte_in_page(const std::string& file, int page);

// Flips the lowest bit of the byte at this offset of the file.
void flip_bit_at(const std::string& file, long offset);
