#pragma once

#include <concepts>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace vorl::test_driver {

// Raised for text that is not valid JSON.
class JsonError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A JSON value. Object members keep their insertion order so answers read naturally.
class Json {
public:
    using Array = std::vector<Json>;
    using Member = std::pair<std::string, Json>;
    using Object = std::vector<Member>;

    Json() = default;
    Json(std::nullptr_t) {}
    Json(bool flag) : value_(flag) {}
    Json(double number) : value_(number) {}
    template <std::integral Integer>
    requires(!std::same_as<Integer, bool>) Json(Integer number) : value_(static_cast<double>(number)) {}
    // A null pointer becomes JSON null, which suits GTK getters that may return NULL.
    Json(const char* text) {
        if (text != nullptr)
            value_ = std::string(text);
    }
    Json(std::string text) : value_(std::move(text)) {}
    Json(Array items) : value_(std::move(items)) {}
    Json(Object members) : value_(std::move(members)) {}

    static Json object() { return Json(Object{}); }
    static Json array() { return Json(Array{}); }

    bool isNull() const { return std::holds_alternative<std::nullptr_t>(value_); }
    const bool* asBool() const { return std::get_if<bool>(&value_); }
    const double* asNumber() const { return std::get_if<double>(&value_); }
    const std::string* asString() const { return std::get_if<std::string>(&value_); }
    const Array* asArray() const { return std::get_if<Array>(&value_); }
    const Object* asObject() const { return std::get_if<Object>(&value_); }

    // The member named `key`, or nullptr when absent or when this is not an object.
    const Json* get(std::string_view key) const;
    // Adds or replaces a member; turns a null value into an object first.
    Json& set(std::string key, Json member);
    // Appends an item; turns a null value into an array first.
    Json& push(Json item);

    std::string dump() const;
    static Json parse(std::string_view text);

private:
    void dumpTo(std::string& out) const;

    std::variant<std::nullptr_t, bool, double, std::string, Array, Object> value_;
};

} // namespace vorl::test_driver
