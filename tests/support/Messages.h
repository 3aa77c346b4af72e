// The file layer's messages as the user sees them, in Shift-JIS, written out here so that a
// test compares them with what the system shows rather than with its own constants.
#pragma once

#include <string>

// "ファイル %s が開けません。" (Cannot open file %s.)
const std::string kCannotOpen =
    "\x83\x74\x83\x40\x83\x43\x83\x8b %s \x82\xaa\x8a\x4a\x82\xaf\x82\xdc\x82\xb9\x82\xf1\x81\x42";
// "ファイル %s が開けませんでした。" (Could not open file %s.)
const std::string kCouldNotOpen =
    "\x83\x74\x83\x40\x83\x43\x83\x8b %s \x82\xaa\x8a\x4a\x82\xaf\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42";
// "ファイルエラー" (File error)
const std::string kFileError = "\x83\x74\x83\x40\x83\x43\x83\x8b\x83\x47\x83\x89\x81\x5b";
// "データ解凍に失敗しました。" (Decompressing the data failed.)
const std::string kInflateFailed =
    "\x83\x66\x81\x5b\x83\x5e\x89\xf0\x93\x80\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";

// A message with the name in the place of its %s.
inline std::string WithName(const std::string& format, const std::string& name) {
    std::string text = format;
    text.replace(text.find("%s"), 2, name);
    return text;
}
