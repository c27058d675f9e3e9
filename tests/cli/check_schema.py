"""Checks that a JSON document follows a JSON Schema (draft 2020-12), and the schema itself.

Usage: check_schema.py SCHEMA DOCUMENT
"""
import json
import sys

import jsonschema


def main():
    schema_path, document_path = sys.argv[1], sys.argv[2]
    with open(schema_path, encoding="utf-8") as schema_file:
        schema = json.load(schema_file)
    with open(document_path, encoding="utf-8") as document_file:
        document = json.load(document_file)
    validator_class = jsonschema.validators.validator_for(schema)
    validator_class.check_schema(schema)
    errors = sorted(validator_class(schema).iter_errors(document), key=lambda e: list(e.path))
    for error in errors:
        where = "/".join(str(part) for part in error.path) or "(the document)"
        print(f"{document_path}: {where}: {error.message}")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
