#include "ResourceLoader.h"

#include <QCoreApplication>
#include <QDebug>
#include <QResource>

using namespace tessarovin;


ResourceLoader::ResourceLoader()
	: mResourceFiles({QStringLiteral("Kendrawell.rcc")})
	, mRegisteredResources()
{
}


ResourceLoader::~ResourceLoader()
{
	shutdown();
}


ResourceLoader& ResourceLoader::getInstance()
{
	static ResourceLoader instance;
	return instance;
}


void ResourceLoader::init()
{
	for (const auto& resourceFile : mResourceFiles)
	{
		const QString path = QCoreApplication::applicationDirPath() + QLatin1Char('/') + resourceFile;
		const bool registered = QResource::registerResource(path);
		qDebug() << "Register resource:" << path << "|" << registered;
		if (registered)
		{
			mRegisteredResources << path;
		}
	}
}


void ResourceLoader::shutdown()
{
	for (const auto& path : std::as_const(mRegisteredResources))
	{
		const bool unregistered = QResource::unregisterResource(path);
		qDebug() << "Unregister resource:" << path << "|" << unregistered;
	}
	mRegisteredResources.clear();
}
