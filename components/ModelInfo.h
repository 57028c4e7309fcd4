#pragma once

#include <string>
#include <string_view>
#include <vector>

// What "php artisan model:show CLASS --json" printed: the model's attributes and its
// relations; never throws.
struct TModelAttribute {
    std::string Name;
    std::string Type;
    bool Nullable = false;
    bool Fillable = false;
    bool Hidden = false;
    std::string Cast;

    bool operator==(const TModelAttribute&) const = default;
};

struct TModelRelation {
    std::string Name;
    std::string Type;  // "HasMany", "BelongsTo"...
    std::string Related;

    bool operator==(const TModelRelation&) const = default;
};

struct TModelInfo {
    std::string Class;
    std::string Table;
    std::vector<TModelAttribute> Attributes;
    std::vector<TModelRelation> Relations;
    // What to show instead of, or above, the tables; empty for plain tables.
    std::string Message;
    bool Failed = false;
};

TModelInfo ReadModelInfo(std::string_view AOutput, int AExitStatus);

// The model class a PHP file declares: its namespace and the class named as the file
// (AFileStem, "Invoice" for Invoice.php); empty when the file declares no such concrete
// class.
std::string ModelClassOf(std::string_view APhpSource, std::string_view AFileStem);
// The model classes of the PHP files under AProjectFolder/app/Models and its subfolders,
// sorted; empty when there are none or the folder cannot be read.
std::vector<std::string> FindModelClasses(const std::string& AProjectFolder);
// The class as an argument of a command line ("App/Models/Note", which the framework reads
// as App\Models\Note); empty for a name with characters a class name does not have.
std::string ModelArgument(std::string_view AClass);
