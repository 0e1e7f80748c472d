#include "netcdf/netcdf_schema.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "support/case_names.hpp"

namespace meridian::netcdf {
namespace {

using meridian::testing::PrintTo;

struct NameCase {
  const char* name;
  std::string text;
  std::string shown = "";  // in messages, where not the text itself
};

// clang-format off
const NameCase valid_names[] = {
    {"one_letter",           "a"},
    {"letters_and_digits",   "Zeta9"},
    {"underscore_first",     "_FillValue"},
    {"digit_first",          "9lives"},
    {"inner_space",          "a b"},
    {"traditional_specials", "a_.@+-b"},
    {"other_printables",     "x!\"#$%&'()*,:;<=>?[\\]^`{|}~"},
    {"longest",              std::string(256, 'n')},
};
const NameCase invalid_names[] = {
    {"empty",                ""},
    {"space_first",          " a"},
    {"trailing_space",       "a "},
    {"dot_first",            ".a"},
    {"minus_first",          "-a"},
    {"at_first",             "@a"},
    {"slash",                "a/b"},
    {"tab",                  "a\tb", "a\\x09b"},
    {"line_feed",            "a\nb", "a\\x0ab"},
    {"nul",                  std::string("a\0b", 3), "a\\x00b"},
    {"delete",               "a\x7f", "a\\x7f"},
    {"utf8_letter",          "caf\xc3\xa9", "caf\\xc3\\xa9"},
    {"byte_ff",              "a\xff", "a\\xff"},
    {"too_long",             std::string(257, 'n')},
};
// clang-format on

class ValidNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ValidNameTest, IsTakenForEveryKindOfName) {
  const std::string& name = GetParam().text;
  Schema schema;
  EXPECT_EQ(schema.add_dimension(name, 1), 0u);
  EXPECT_EQ(schema.add_variable(name, Type::nc_int, {0}), 0u);
  schema.add_attribute(text_attribute(name, "x"));
  schema.add_attribute(0, text_attribute(name, "x"));
  EXPECT_EQ(schema.dimensions().at(0).name, name);
  EXPECT_EQ(schema.variables().at(0).name, name);
  EXPECT_EQ(schema.attributes().at(0).name, name);
  EXPECT_EQ(schema.variables().at(0).attributes.at(0).name, name);
}

INSTANTIATE_TEST_SUITE_P(Names, ValidNameTest, ::testing::ValuesIn(valid_names),
                         testing::CaseName());

class InvalidNameTest : public ::testing::TestWithParam<NameCase> {};

// Each kind of name is refused, with the kind and the name in the message,
// and nothing is added.
TEST_P(InvalidNameTest, IsRefusedForEveryKindOfName) {
  const std::string& name = GetParam().text;
  const std::string& shown = GetParam().shown.empty() ? name : GetParam().shown;
  Schema schema;
  schema.add_dimension("n", 2);
  schema.add_variable("v", Type::nc_double, {0});
  const auto refused = [&](const char* kind, const std::function<void()>& add) {
    try {
      add();
      ADD_FAILURE() << kind << ": no error";
    } catch (const std::invalid_argument& error) {
      const std::string message = error.what();
      EXPECT_EQ(message.rfind(std::string("netCDF ") + kind + " \"" + shown + "\": ", 0), 0u)
          << message;
    }
  };
  refused("dimension", [&] { schema.add_dimension(name, 1); });
  refused("dimension", [&] { schema.add_record_dimension(name); });
  refused("variable", [&] { schema.add_variable(name, Type::nc_char, {0}); });
  refused("attribute", [&] { schema.add_attribute(text_attribute(name, "x")); });
  refused("attribute", [&] { schema.add_attribute(0, double_attribute(name, {})); });
  EXPECT_EQ(schema.dimensions().size(), 1u);
  EXPECT_EQ(schema.variables().size(), 1u);
  EXPECT_TRUE(schema.attributes().empty());
  EXPECT_TRUE(schema.variables()[0].attributes.empty());
}

INSTANTIATE_TEST_SUITE_P(Names, InvalidNameTest, ::testing::ValuesIn(invalid_names),
                         testing::CaseName());

// ------------------------------------------------------------ bad shapes

// A schema with dimensions "n" (2, number 0) and "time" (the record
// dimension, number 1) and a variable "v"(time), then one addition that
// must be refused.
struct BadCase {
  const char* name;
  std::function<void(Schema&)> add;
  const char* message;
};

// clang-format off
const BadCase bad_cases[] = {
    {"record_dimension_not_first",
     [](Schema& s) { s.add_variable("w", Type::nc_float, {0, 1}); },
     "netCDF variable \"w\": record dimension not first"},
    {"record_dimension_twice",
     [](Schema& s) { s.add_variable("w", Type::nc_float, {1, 1}); },
     "netCDF variable \"w\": record dimension not first"},
    {"second_record_dimension",
     [](Schema& s) { s.add_record_dimension("step"); },
     "netCDF dimension \"step\": second record dimension"},
    {"fixed_dimension_of_length_0",
     [](Schema& s) { s.add_dimension("m", 0); },
     "netCDF dimension \"m\": length not in 1 to 2^31 - 1 (0 marks the record dimension)"},
    {"dimension_of_length_2_to_31",
     [](Schema& s) { s.add_dimension("m", 0x80000000u); },
     "netCDF dimension \"m\": length not in 1 to 2^31 - 1 (0 marks the record dimension)"},
    {"undefined_dimension",
     [](Schema& s) { s.add_variable("w", Type::nc_int, {0, 2}); },
     "netCDF variable \"w\": undefined dimension"},
    {"no_such_type",
     [](Schema& s) { s.add_variable("w", static_cast<Type>(7), {0}); },
     "not a netCDF classic type"},
    {"dimension_twice",
     [](Schema& s) { s.add_dimension("n", 3); },
     "netCDF dimension \"n\": defined twice"},
    {"record_dimension_named_as_another",
     [](Schema& s) { s.add_record_dimension("n"); },
     "netCDF dimension \"n\": defined twice"},
    {"variable_twice",
     [](Schema& s) { s.add_variable("v", Type::nc_int, {}); },
     "netCDF variable \"v\": defined twice"},
    {"global_attribute_twice",
     [](Schema& s) { s.add_attribute(text_attribute("a", "1")); s.add_attribute(text_attribute("a", "2")); },
     "netCDF attribute \"a\": defined twice"},
    {"variable_attribute_twice",
     [](Schema& s) { s.add_attribute(0, text_attribute("a", "1")); s.add_attribute(0, text_attribute("a", "2")); },
     "netCDF attribute \"a\": defined twice"},
    {"attribute_of_no_variable",
     [](Schema& s) { s.add_attribute(1, text_attribute("a", "1")); },
     "netCDF attribute \"a\": of no variable defined"},
    {"attribute_bytes_not_its_count",
     [](Schema& s) { s.add_attribute(Attribute{"a", Type::nc_int, 2, "1234567"}); },
     "netCDF attribute \"a\": byte count does not match its count of values"},
};
// clang-format on

class BadSchemaTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadSchemaTest, IsRefused) {
  Schema schema;
  schema.add_dimension("n", 2);
  schema.add_record_dimension("time");
  schema.add_variable("v", Type::nc_double, {1});
  try {
    GetParam().add(schema);
    ADD_FAILURE() << "no error";
  } catch (const std::invalid_argument& error) {
    EXPECT_EQ(std::string(error.what()), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, BadSchemaTest, ::testing::ValuesIn(bad_cases),
                         testing::CaseName());

TEST(SchemaTest, NumbersInOrderAndTellsRecordVariables) {
  Schema schema;
  EXPECT_EQ(schema.add_dimension("n", 2), 0u);
  EXPECT_EQ(schema.add_record_dimension("time"), 1u);
  EXPECT_EQ(schema.add_dimension("m", 0x7fffffff), 2u);
  EXPECT_EQ(schema.add_variable("scalar", Type::nc_double, {}), 0u);
  EXPECT_EQ(schema.add_variable("time", Type::nc_double, {1}), 1u);  // named as its dimension
  EXPECT_EQ(schema.add_variable("field", Type::nc_float, {1, 0, 0}), 2u);
  EXPECT_EQ(schema.add_variable("fixed", Type::nc_byte, {0, 2}), 3u);
  // An attribute name may be used once per list.
  schema.add_attribute(text_attribute("units", "s"));
  schema.add_attribute(1, text_attribute("units", "s"));
  schema.add_attribute(2, text_attribute("units", "Pa"));
  EXPECT_FALSE(schema.is_record_variable(0));
  EXPECT_TRUE(schema.is_record_variable(1));
  EXPECT_TRUE(schema.is_record_variable(2));
  EXPECT_FALSE(schema.is_record_variable(3));
  EXPECT_EQ(schema.dimensions()[1].length, 0u);
  EXPECT_EQ(schema.variables()[2].dimensions, (std::vector<std::size_t>{1, 0, 0}));
}

TEST(SchemaTest, FixedVariablesOfAFileWithoutRecordDimension) {
  Schema schema;
  schema.add_dimension("n", 3);
  schema.add_variable("v", Type::nc_short, {0});
  EXPECT_FALSE(schema.is_record_variable(0));
}

}  // namespace
}  // namespace meridian::netcdf
