// Keeps the page's files for use without a network: all of them are taken
// when the worker is installed, and each is answered from the cache first.
// A new version (a new cache name, written in by make-site.sh) replaces the
// old files on the next visit with a network.
"use strict";
const CACHE = "quellmark-@VERSION@";
const FILES = ["./", "index.html", "quellmark.js", "quellmark.wasm", "quellmark-jp.otf",
               "manifest.webmanifest", "icon-192.png", "icon-512.png"];

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)));
  self.skipWaiting();
});

self.addEventListener("activate", (event) => {
  event.waitUntil(caches.keys().then((names) =>
    Promise.all(names.filter((name) => name !== CACHE).map((name) => caches.delete(name)))));
  self.clients.claim();
});

self.addEventListener("fetch", (event) => {
  event.respondWith(caches.match(event.request, { ignoreSearch: true })
    .then((found) => found || fetch(event.request)));
});
