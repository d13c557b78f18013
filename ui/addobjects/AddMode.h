// What the add-objects dialog's OK does with the pending objects.
#pragma once

// Add them with the import settings, or restore them from a backup set.
enum class TAddMode { Add, Restore };
