// Makes one self-contained page: node inline.mjs TEMPLATE OUTPUT NAME=FILE...
// Each <link rel="stylesheet" href="NAME"> of the template becomes a <style>
// holding FILE, each <script ... src="NAME"></script> a <script ...> holding
// it (its other attributes kept: a type the page does not run marks a
// worker's script), and each <pre data-src="NAME"></pre> a <pre> holding
// FILE as text (the licences), so the page needs nothing beside itself,
// from disk or from any host.
import { readFileSync, writeFileSync } from 'node:fs';

const [template, output, ...pairs] = process.argv.slice(2);
let page = readFileSync(template, 'utf8');
for (const pair of pairs) {
  const at = pair.indexOf('=');
  const name = pair.slice(0, at);
  const content = readFileSync(pair.slice(at + 1), 'utf8');
  // "</" would end the element early; "<\/" means the same inside a script
  // and cannot occur in a style sheet that is ours.
  const text = content.replaceAll('</', '<\\/');
  const escaped = content.replaceAll('&', '&amp;').replaceAll('<', '&lt;').replaceAll('>', '&gt;');
  const quoted = name.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
  const tags = [
    [new RegExp(`<link rel="stylesheet" href="${quoted}">`), () => `<style>\n${text}</style>`],
    [new RegExp(`<script((?: [a-z]+="[^"]*")*) src="${quoted}"></script>`),
     (_, attributes) => `<script${attributes}>\n${text}</script>`],
    [new RegExp(`<pre((?: [a-z]+="[^"]*")*) data-src="${quoted}"></pre>`),
     (_, attributes) => `<pre${attributes}>${escaped}</pre>`],
  ];
  const found = tags.find(([tag]) => tag.test(page));
  if (!found) throw new Error(`${template} does not use ${name}`);
  // a function as the replacement: the text's "$&" and the like stay as they are
  page = page.replace(found[0], found[1]);
}
writeFileSync(output, page);
