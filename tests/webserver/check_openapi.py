#!/usr/bin/env python3
"""web/openapi.json describes the server as it is: JSON without a repeated key, OpenAPI 3.1.x,
exactly the methods and paths that web/WebServer.cpp routes (its path parameters matching what
the routes match), every "$ref" inside it resolving, every schema a valid JSON Schema 2020-12,
and the schemas of plan, search and evaluate equal to kestrum-cli's committed cli/*.schema.json,
which the answers to those paths refer to.

Usage: check_openapi.py SOURCE_DIR           checks
       check_openapi.py SOURCE_DIR --write   copies the cli/*.schema.json into the document
"""

import json
import re
import sys

import jsonschema

# The document's components that are kestrum-cli's schemas, and the operations answering them.
COPIES = {"Plan": "cli/plan.schema.json", "Search": "cli/search.schema.json",
          "Evaluate": "cli/evaluate.schema.json"}
ANSWERS = {("get", "/api/lotteries/{feed}/plan"): "Plan",
           ("post", "/api/lotteries/{feed}/formula"): "Plan",
           ("post", "/api/lotteries/{feed}/search"): "Search",
           ("get", "/api/lotteries/{feed}/evaluate"): "Evaluate"}
METHODS = ("get", "put", "post", "delete", "options", "head", "patch", "trace")

failures = []


def fail(message):
    failures.append(message)
    print(f"FAILED: {message}")


def no_repeated_keys(pairs):
    keys = [key for key, _ in pairs]
    repeated = sorted({key for key in keys if keys.count(key) > 1})
    if repeated:
        raise ValueError(f"repeated keys {repeated}")
    return dict(pairs)


def routes(source):
    """(method, pieces) per route: pieces alternate literal text and the regular expressions
    that stand for a path parameter (a group, or a character class with + or *)."""
    found = []
    for method, raw, plain in re.findall(
            r'server\.(Get|Post|Put|Delete|Patch|Options)\(\s*(?:R"\((.*?)\)"|"((?:[^"\\]|\\.)*)")',
            source, re.S):
        pattern = raw if raw else plain
        for alternative in pattern.split("|"):
            pieces = re.split(r"(\((?:[^()\\]|\\.)*\)|\[(?:[^\]\\]|\\.)*\][+*])", alternative)
            pieces = [p[1:-1] if p.startswith("(") and p.endswith(")") else p for p in pieces]
            found.append((method.lower(), pieces))
    return found


def documented(document):
    """(method, pieces) per operation; the parameters' patterns in place of their names."""
    found = []
    for path, item in document.get("paths", {}).items():
        parameters = {}
        for operation in (item[m] for m in METHODS if m in item):
            for parameter in item.get("parameters", []) + operation.get("parameters", []):
                parameter = resolve(document, parameter) if "$ref" in parameter else parameter
                if parameter.get("in") == "path":
                    parameters[parameter["name"]] = parameter.get("schema", {}).get("pattern", "")
        pieces = re.split(r"\{([^}]*)\}", path)
        for index in range(1, len(pieces), 2):
            name = pieces[index]
            if name not in parameters:
                fail(f"{path}: the path parameter {name} is not described")
            pieces[index] = re.sub(r"^\^(.*)\$$", r"\1", parameters.get(name, ""))
        for method in METHODS:
            if method in item:
                found.append((method, pieces))
    return found


def resolve(base, node):
    """The target of node's "$ref" "#/...", read from base."""
    target = base
    for part in node["$ref"][2:].split("/"):
        part = part.replace("~1", "/").replace("~0", "~")
        target = target[int(part)] if isinstance(target, list) else target[part]
    return target


def check_references(base, node, where):
    """Every "$ref" "#/..." names something: in the document, or inside a schema with an "$id"
    (an embedded schema resource, which its own references are read against)."""
    if isinstance(node, dict):
        if isinstance(node.get("$id"), str):
            base = node
        reference = node.get("$ref")
        if isinstance(reference, str) and reference.startswith("#/"):
            try:
                resolve(base, node)
            except (KeyError, IndexError, ValueError, TypeError):
                fail(f"{where}: \"$ref\": \"{reference}\" names nothing")
        for key, value in node.items():
            check_references(base, value, f"{where}/{key}")
    elif isinstance(node, list):
        for index, value in enumerate(node):
            check_references(base, value, f"{where}/{index}")


def schemas_of(document):
    """Every Schema Object outside the components, with where it is."""
    def walk(node, where):
        if isinstance(node, dict):
            for key, value in node.items():
                if key == "schema" and isinstance(value, dict):
                    yield where + "/schema", value
                else:
                    yield from walk(value, f"{where}/{key}")
        elif isinstance(node, list):
            for index, value in enumerate(node):
                yield from walk(value, f"{where}/{index}")
    yield from walk(document.get("paths", {}), "#/paths")
    yield from walk({k: v for k, v in document.get("components", {}).items() if k != "schemas"},
                    "#/components")
    for name, schema in document.get("components", {}).get("schemas", {}).items():
        yield f"#/components/schemas/{name}", schema


def main():
    if len(sys.argv) not in (2, 3) or (len(sys.argv) == 3 and sys.argv[2] != "--write"):
        print(__doc__, file=sys.stderr)
        return 2
    root = sys.argv[1]
    path = f"{root}/web/openapi.json"
    if len(sys.argv) == 3:
        document = json.load(open(path, encoding="utf-8"))
        for name, file in COPIES.items():
            document["components"]["schemas"][name] = json.load(open(f"{root}/{file}"))
        with open(path, "w", encoding="utf-8") as out:
            json.dump(document, out, indent=2, ensure_ascii=False)
            out.write("\n")
        return 0

    try:
        document = json.load(open(path, encoding="utf-8"), object_pairs_hook=no_repeated_keys)
    except ValueError as error:
        fail(f"{path} is no JSON without repeated keys: {error}")
        return 1

    if not re.fullmatch(r"3\.1\.\d+", str(document.get("openapi", ""))):
        fail(f"\"openapi\" is {document.get('openapi')!r}, not 3.1.x")
    if not document.get("info", {}).get("title") or not document.get("info", {}).get("version"):
        fail("\"info\" lacks its title or version")

    source = open(f"{root}/web/WebServer.cpp", encoding="utf-8").read()
    served = {(m, tuple(p)) for m, p in routes(source)}
    described = {(m, tuple(p)) for m, p in documented(document)}
    if not served:
        fail("no route was found in web/WebServer.cpp")
    for method, pieces in sorted(served - described):
        fail(f"{method.upper()} {''.join(pieces)} is served but not described "
             "(or its path parameter's pattern differs from the route's)")
    for method, pieces in sorted(described - served):
        fail(f"{method.upper()} {''.join(pieces)} is described but not served")

    check_references(document, document, "#")
    for where, schema in schemas_of(document):
        try:
            jsonschema.Draft202012Validator.check_schema(schema)
        except jsonschema.SchemaError as error:
            fail(f"{where} is no valid JSON Schema: {error.message}")

    schemas = document.get("components", {}).get("schemas", {})
    for name, file in COPIES.items():
        if schemas.get(name) != json.load(open(f"{root}/{file}", encoding="utf-8")):
            fail(f"#/components/schemas/{name} differs from {file}: "
                 f"python3 tests/webserver/check_openapi.py . --write copies it")
    for (method, route), name in ANSWERS.items():
        operation = document.get("paths", {}).get(route, {}).get(method, {})
        answer = operation.get("responses", {}).get("200", {})
        answer = resolve(document, answer) if "$ref" in answer else answer
        schema = answer.get("content", {}).get("application/json", {}).get("schema", {})
        if schema != {"$ref": f"#/components/schemas/{name}"}:
            fail(f"{method.upper()} {route} does not answer with #/components/schemas/{name}")

    if not failures:
        print(f"ok: {path} describes the {len(served)} routes of web/WebServer.cpp")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
