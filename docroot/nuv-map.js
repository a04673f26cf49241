// The map page the programs drive with JavaScript calls: a placemark, a flight's KML track,
// its ground track and a live track. The calls may come before the page (or Leaflet) has
// loaded; they are queued and run in order once the map exists. nuvMap.state() reports what
// is drawn.
var nuvMap = (function () {
    'use strict';

    var pending = [];
    var map = null;
    var placemark = null;
    var kmlLayer = null;
    var groundTrack = null;
    var liveLine = null;
    var grid = null;
    var online = false;

    function whenReady(action) {
        if (map)
            action();
        else
            pending.push(action);
    }

    function numbers(values) {
        return values.map(Number).filter(function (v) { return isFinite(v); });
    }

    // KML colours are aabbggrr.
    function kmlColour(text) {
        var hex = (text || '').trim();
        if (!/^[0-9a-fA-F]{8}$/.test(hex))
            return { colour: '#ff0000', opacity: 0.8 };
        return {
            colour: '#' + hex.substr(6, 2) + hex.substr(4, 2) + hex.substr(2, 2),
            opacity: parseInt(hex.substr(0, 2), 16) / 255
        };
    }

    // "lon,lat[,alt]" tuples separated by white space.
    function kmlCoordinates(text) {
        var points = [];
        (text || '').trim().split(/\s+/).forEach(function (tuple) {
            var parts = numbers(tuple.split(','));
            if (parts.length >= 2)
                points.push([parts[1], parts[0]]);
        });
        return points;
    }

    function buildKmlLayer(kmlText) {
        var layer = L.featureGroup();
        var documentNode = new DOMParser().parseFromString(kmlText, 'application/xml');
        if (documentNode.getElementsByTagName('parsererror').length)
            throw new Error('plotKML: the KML text is not well-formed');
        var placemarks = documentNode.getElementsByTagName('Placemark');
        for (var i = 0; i < placemarks.length; ++i) {
            var placemarkNode = placemarks[i];
            var colourNode = placemarkNode.getElementsByTagName('color')[0];
            var widthNode = placemarkNode.getElementsByTagName('width')[0];
            var style = kmlColour(colourNode && colourNode.textContent);
            var width = widthNode ? Number(widthNode.textContent) || 3 : 3;
            var lines = placemarkNode.getElementsByTagName('LineString');
            for (var j = 0; j < lines.length; ++j) {
                var coordinates = lines[j].getElementsByTagName('coordinates')[0];
                var points = kmlCoordinates(coordinates && coordinates.textContent);
                if (points.length)
                    L.polyline(points, { color: style.colour, opacity: style.opacity, weight: width }).addTo(layer);
            }
            var pointNodes = placemarkNode.getElementsByTagName('Point');
            for (var k = 0; k < pointNodes.length; ++k) {
                var pointCoordinates = pointNodes[k].getElementsByTagName('coordinates')[0];
                var point = kmlCoordinates(pointCoordinates && pointCoordinates.textContent)[0];
                if (point)
                    L.circleMarker(point, { radius: 5, color: style.colour }).addTo(layer);
            }
        }
        return layer;
    }

    // Everything drawn, for flyTo.
    function drawnBounds() {
        var bounds = L.latLngBounds([]);
        [kmlLayer, groundTrack, liveLine].forEach(function (layer) {
            if (layer && layer.getBounds && layer.getBounds().isValid())
                bounds.extend(layer.getBounds());
        });
        if (placemark)
            bounds.extend(placemark.getLatLng());
        return bounds;
    }

    // Grid steps in degrees, coarse to fine; the first giving at least four lines is drawn.
    var gridSteps = [30, 10, 5, 2, 1, 0.5, 0.2, 0.1, 0.05, 0.02, 0.01, 0.005, 0.002, 0.001,
                     0.0005, 0.0002, 0.0001, 0.00005, 0.00002, 0.00001];

    function gridStep(span) {
        for (var i = 0; i < gridSteps.length; ++i) {
            if (span / gridSteps[i] >= 4)
                return gridSteps[i];
        }
        return gridSteps[gridSteps.length - 1];
    }

    function gridLabel(value, step) {
        var decimals = Math.max(0, Math.ceil(-Math.log10(step)));
        return value.toFixed(decimals) + '\u00b0';
    }

    // A latitude/longitude grid with its values along the left and bottom edges.
    function drawGrid() {
        if (!grid)
            return;
        grid.clearLayers();
        var bounds = map.getBounds();
        var south = Math.max(bounds.getSouth(), -85), north = Math.min(bounds.getNorth(), 85);
        var west = bounds.getWest(), east = bounds.getEast();
        var step = gridStep(Math.min(north - south, east - west));
        var line = { color: '#90a4ae', weight: 1, opacity: 0.8, interactive: false };
        var rightEdge = map.getContainer().getBoundingClientRect().right;
        var label = function (position, text, anchor) {
            var marker = L.marker(position, {
                interactive: false, keyboard: false,
                icon: L.divIcon({ className: 'nuv-grid-label', html: text, iconSize: null, iconAnchor: anchor })
            }).addTo(grid);
            // A value the right edge would cut is left out.
            if (marker.getElement().getBoundingClientRect().right > rightEdge)
                grid.removeLayer(marker);
        };
        for (var lat = Math.ceil(south / step) * step; lat <= north; lat += step) {
            L.polyline([[lat, west], [lat, east]], line).addTo(grid);
            label([lat, west], gridLabel(lat, step), [-2, 14]);
        }
        // Above the attribution in the bottom right corner, so that both can be read.
        var attribution = map.attributionControl ? map.attributionControl.getContainer().offsetHeight : 0;
        for (var lon = Math.ceil(west / step) * step; lon <= east; lon += step) {
            L.polyline([[south, lon], [north, lon]], line).addTo(grid);
            label([south, lon], gridLabel(lon, step), [-2, 14 + attribution]);
        }
    }

    function start(elementId) {
        if (typeof L === 'undefined') {
            console.log('nuvMap: Leaflet is missing; calls stay queued');
            return;
        }
        L.Icon.Default.imagePath = 'leaflet/images/';
        map = L.map(elementId, { worldCopyJump: true, zoomControl: false }).setView([20, 0], 2);
        L.control.zoom({ position: 'topright' }).addTo(map);
        // A page built while its view was hidden starts with no size, and a window's resize
        // alone does not always reach the map: it takes its size whenever its element changes.
        if (typeof ResizeObserver !== 'undefined')
            new ResizeObserver(function () { map.invalidateSize(); }).observe(map.getContainer());
        var tiles = L.tileLayer('https://{s}.tile.openstreetmap.org/{z}/{x}/{y}.png', {
            maxZoom: 19,
            attribution: '&copy; OpenStreetMap contributors'
        });
        // Until a tile arrives the grid is the map; once tiles load it is not needed.
        tiles.once('tileload', function () {
            online = true;
            if (grid) {
                map.removeLayer(grid);
                grid = null;
            }
        });
        tiles.addTo(map);
        grid = L.layerGroup().addTo(map);
        map.on('moveend', drawGrid);
        drawGrid();
        var queued = pending;
        pending = [];
        queued.forEach(function (action) {
            try {
                action();
            } catch (e) {
                console.log(e);
            }
        });
    }

    return {
        start: start,
        setPlacemark: function (lat, lon) {
            whenReady(function () {
                if (!isFinite(lat) || !isFinite(lon))
                    throw new Error('setPlacemark: not a position');
                if (placemark)
                    placemark.setLatLng([lat, lon]);
                else
                    placemark = L.marker([lat, lon]).addTo(map);
            });
        },
        flyTo: function () {
            whenReady(function () {
                var bounds = drawnBounds();
                if (!bounds.isValid())
                    return;
                // Straight there: an animated flight over many zoom levels is slow and may
                // leave the drawing scaled where the page is not being repainted.
                if (bounds.getNorthEast().equals(bounds.getSouthWest()))
                    map.setView(bounds.getCenter(), 16, { animate: false });
                else
                    map.fitBounds(bounds, { padding: [30, 30], maxZoom: 17, animate: false });
            });
        },
        plotKML: function (kmlText) {
            whenReady(function () {
                var layer = buildKmlLayer(String(kmlText));
                if (kmlLayer)
                    map.removeLayer(kmlLayer);
                kmlLayer = layer.addTo(map);
            });
        },
        plotGroundTrack: function (flat) {
            whenReady(function () {
                var values = numbers(flat || []);
                var points = [];
                for (var i = 0; i + 1 < values.length; i += 2)
                    points.push([values[i + 1], values[i]]);
                if (groundTrack)
                    map.removeLayer(groundTrack);
                groundTrack = L.polyline(points, { color: '#ff9800', weight: 2 }).addTo(map);
            });
        },
        appendLineCoord: function (lat, lon) {
            whenReady(function () {
                if (!isFinite(lat) || !isFinite(lon))
                    throw new Error('appendLineCoord: not a position');
                if (!liveLine)
                    liveLine = L.polyline([], { color: '#d32f2f', weight: 3 }).addTo(map);
                liveLine.addLatLng([lat, lon]);
            });
        },
        clearLineString: function () {
            whenReady(function () {
                if (liveLine) {
                    map.removeLayer(liveLine);
                    liveLine = null;
                }
            });
        },
        // What the page shows, for the programs' tests.
        state: function () {
            var kmlPoints = 0;
            if (kmlLayer) {
                kmlLayer.eachLayer(function (layer) {
                    kmlPoints += layer.getLatLngs ? layer.getLatLngs().length : 1;
                });
            }
            var marker = placemark ? placemark.getLatLng() : null;
            return {
                ready: map !== null,
                queued: pending.length,
                online: online,
                gridShown: grid !== null && grid.getLayers().length > 0,
                placemark: marker ? [marker.lat, marker.lng] : null,
                kmlLayer: kmlLayer !== null,
                kmlPoints: kmlPoints,
                groundTrackPoints: groundTrack ? groundTrack.getLatLngs().length : 0,
                lineStringPoints: liveLine ? liveLine.getLatLngs().length : 0,
                center: map ? [map.getCenter().lat, map.getCenter().lng] : null,
                zoom: map ? map.getZoom() : null
            };
        }
    };
}());

// The functions the programs call, by the names they call them.
function setPlacemark(lat, lon) { nuvMap.setPlacemark(Number(lat), Number(lon)); }
function flyTo() { nuvMap.flyTo(); }
function plotKML(kmlText) { nuvMap.plotKML(kmlText); }
function plotGroudTrack(flat) { nuvMap.plotGroundTrack(flat); }
function appendLineCoord(lat, lon, alt) { nuvMap.appendLineCoord(Number(lat), Number(lon), Number(alt)); }
function clearLineString() { nuvMap.clearLineString(); }
