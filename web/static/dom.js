// Small helpers that build elements; text always goes in as text, never as markup.

const SVG_NS = 'http://www.w3.org/2000/svg';

function fill(node, attributes, children) {
    for (const [name, value] of Object.entries(attributes ?? {})) {
        if (value === undefined || value === null || value === false) {
            continue;
        }
        if (name === 'text') {
            node.textContent = value;
        } else if (name.startsWith('on') && typeof value === 'function') {
            node.addEventListener(name.slice(2), value);
        } else if (name === 'class') {
            node.setAttribute('class', Array.isArray(value) ? value.filter(Boolean).join(' ') : value);
        } else {
            node.setAttribute(name, value === true ? '' : String(value));
        }
    }
    for (const child of children.flat(Infinity)) {
        if (child === undefined || child === null || child === false) {
            continue;
        }
        node.append(child instanceof Node ? child : String(child));
    }
    return node;
}

// el('p', {class: 'x'}, 'text', child...)
export function el(tag, attributes, ...children) {
    return fill(document.createElement(tag), attributes, children);
}

export function svg(tag, attributes, ...children) {
    return fill(document.createElementNS(SVG_NS, tag), attributes, children);
}

// Replaces what `node` holds.
export function put(node, ...children) {
    node.replaceChildren();
    return fill(node, {}, children);
}
